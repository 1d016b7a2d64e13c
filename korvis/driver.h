// The run driver of korvis: the DC pass and the optional IP pass, each a loop
// over wavenumbers, profile positions and spacings, with the electrode
// layout of the nineteen array kinds. The product driver computes the two
// passes of a wavenumber together (both matrices, every right-hand side
// solved at once, receivers in parallel) and produces exactly the console
// text and result grids of the plain loop order.
#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "common/array_layout.h"
#include "korvis/korvis_state.h"
#include "korvis/solve.h"

namespace korvis {

using common::Placement;
using common::evaluatedSpacings;
using common::placeElectrodes;

// The first zero pivot of a run; row 0 when the run went through.
struct DriverResult {
  int pivotRow = 0;
  int pass = 0;        // 1 DC, 2 IP
  int wavenumber = 0;  // 1-based
};

// Called after each finished pass with the grids of the pass: ResF (and ResR)
// after pass 1, DcF (and DcR) holding the chargeability after pass 2.
using PassOutput = std::function<void(const KorvisState&, int pass)>;

// Optional timing of the product driver, seconds, and the size of the
// dense work it timed. backSubstitute is the back half of substitute.
struct PhaseTimes {
  double fill = 0, factor = 0, rhs = 0, substitute = 0, backSubstitute = 0, receivers = 0,
         accumulate = 0;
  struct Wavenumber {
    double total = 0, factor = 0, forward = 0, back = 0;  // both passes
  };
  std::vector<Wavenumber> perWavenumber;
  int factorisations = 0;       // of order `order`
  long long rightHandSides = 0;  // substituted, over all passes
  int order = 0;
};

// Runs pass 1 and, when keyIP != 0, pass 2 on st (whose q and Ro become qIP
// and RO_IP, as a second plain pass leaves them): grids cleared, every
// wavenumber accumulated, grids finished, chargeability, `output` called.
// Console lines go to `console` in the plain order; warnings to `warnings`.
// Stops at the first zero pivot in plain order, before that pass's output.
DriverResult runPasses(KorvisState& st, std::ostream& console, std::ostream& warnings,
                       const PassOutput& output, PhaseTimes* times = nullptr);

}  // namespace korvis
