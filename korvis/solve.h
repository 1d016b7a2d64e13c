// One source configuration: right-hand side from the current electrodes,
// solution with the factors of the wavenumber's matrix, field at the receiver.
#pragma once

#include <ostream>
#include <vector>

#include "korvis/korvis_state.h"

namespace korvis {

// Matrix and vectors of one run, allocated once for the model's N.
struct SolveWorkspace {
  int ld = 0;
  std::vector<float> M, work, b, sigma;
  float rhoA = 0, rhoB = 0;  // resistivities at A and B of the last solve
  void allocate(int N);
};

struct Configuration {
  float XA = 0, ZA = 0, XB = 0, ZB = 0;  // current electrodes
  float xr = 0, zr = 0;                  // receiver
  float nx = 1, nz = 0;                  // measuring direction
};

// b(i) = ((EA + EA') - EB - EB')*q(i) for every node; sets rhoA, rhoB by the
// electrode lookups (messages to console). Near electrodes (dL > 0.705*dist)
// are averaged over the element.
void sourceRhs(const KorvisState& st, float XA, float ZA, float XB, float ZB, float* b,
               float& rhoA, float& rhoB, float ky, std::ostream& console);

// Solves (when solveFlag <= 1; factorising when factorFlag < 2) and returns
// the field E at the receiver with the primary fields EA, EB. Returns 0, or
// the 1-based row of a zero pivot met while factorising.
int solveSource(const KorvisState& st, SolveWorkspace& ws, const Configuration& c, float ky,
                int factorFlag, int solveFlag, float& E, float& EA, float& EB,
                std::ostream& console);

}  // namespace korvis
