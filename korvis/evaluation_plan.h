// The evaluations of a fixed run in plain order (position outer, spacing
// inner), the solves among them, and the electrode lookups of a pass: which
// find a body, what they find, and the console text the plain loop writes
// for them. None of it depends on the wavenumber, so a driver works it out
// once per pass.
#pragma once

#include <string>
#include <vector>

#include "common/array_layout.h"
#include "common/model.h"

namespace korvis {

struct Plan {
  std::vector<common::Placement> placements;
  std::vector<int> cells;    // grid cell of each evaluation
  std::vector<int> solveOf;  // solve whose charges each evaluation uses
  std::vector<int> solves;   // evaluation of each solve
};

// The evaluations of positions 1..nPos and spacings 1..nSpac.
Plan makePlan(const common::ArrayFile& a);

// The electrode lookups of one solve. A lookup either finds a body (its
// value does not depend on what the resistivity held before) or keeps the
// previous value; calling it from two different starting values tells which.
struct Lookup {
  bool foundA = false, foundB = false;
  float rhoA = 0, rhoB = 0;
};

struct PassLookups {
  std::vector<Lookup> lookups;  // per solve
  std::string firstText;        // console text of the first evaluation
  std::string text;             // console text of all evaluations of a wavenumber
};

PassLookups simulateLookups(const common::ModelGeometry& model, const Plan& plan);

}  // namespace korvis
