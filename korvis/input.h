// Loading of a korvis run's inputs: the geometry exchange file varga.xy
// (bodies, vertex rings, vertices, surface lists, boundary nodes) and then the
// survey description varga.arr, into the run's state record. Every count is
// checked against the capacity of the record before anything is stored, so a
// malformed or oversized file is reported and never read past a capacity.
#pragma once

#include <ostream>
#include <string>

#include "korvis/korvis_state.h"

namespace korvis {

enum class LoadOutcome {
  loaded,
  tooManyNodes,      // N > 4100: messages and the stop code are on the console
  stepNotPositive,   // kind 18 with dX <= 0: message on the console, normal stop
};

// Reads xyPath then arrPath. Throws common::InputError (file, line, field) for
// a missing or malformed file and for counts or numbers outside the record's
// capacities; warnings go to `warnings`.
LoadOutcome loadInputs(KorvisState& st, std::ostream& console, std::ostream& warnings,
                       const std::string& xyPath = "varga.xy",
                       const std::string& arrPath = "varga.arr");

// Reads xyPath alone, for runs that take their electrodes from elsewhere.
LoadOutcome loadGeometry(KorvisState& st, std::ostream& console, std::ostream& warnings,
                         const std::string& xyPath = "varga.xy");

}  // namespace korvis
