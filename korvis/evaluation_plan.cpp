// The plan of a fixed run's evaluations and the simulated electrode lookups.
#include "korvis/evaluation_plan.h"

#include <sstream>

#include "common/free_format.h"
#include "korvis/electrode_resistivity.h"

namespace korvis {

namespace {

using common::Configuration;
using common::Placement;
using common::placeElectrodes;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::string consoleLine(std::string_view text) {
  return (common::FreeRecord(common::FreeStyle::korvis) << text).str();
}

}  // namespace

Plan makePlan(const common::ArrayFile& a) {
  Plan plan;
  for (int p = 1; p <= a.nPos; ++p) {
    for (int j = 1; j <= a.nSpac; ++j) {
      const Placement pl = placeElectrodes(a, p, j);
      if (pl.solveFlag <= 1) plan.solves.push_back(static_cast<int>(plan.placements.size()));
      plan.solveOf.push_back(static_cast<int>(plan.solves.size()) - 1);
      plan.cells.push_back((p - 1) + (j - 1) * a.nPos);
      plan.placements.push_back(pl);
    }
  }
  return plan;
}

PassLookups simulateLookups(const common::ModelGeometry& model, const Plan& plan) {
  PassLookups out;
  out.lookups.resize(plan.solves.size());
  std::ostringstream text;
  std::ostream discard(nullptr);
  std::size_t s = 0;
  for (std::size_t e = 0; e < plan.placements.size(); ++e) {
    const Placement& pl = plan.placements[e];
    if (pl.unknownKind) text << consoleLine("Goto ERROR");
    if (s < plan.solves.size() && at(plan.solves[s]) == e) {
      const Configuration& c = pl.first;
      float a0 = 0.0f, b0 = 0.0f, a1 = 1.0f, b1 = 1.0f;
      electrodeResistivities(model, c.XA, c.ZA, c.XB, c.ZB, a0, b0, text);
      electrodeResistivities(model, c.XA, c.ZA, c.XB, c.ZB, a1, b1, discard);
      Lookup& l = out.lookups[s];
      l.foundA = !(a0 == 0.0f && a1 == 1.0f);
      l.foundB = !(b0 == 0.0f && b1 == 1.0f);
      l.rhoA = a0;
      l.rhoB = b0;
      ++s;
    }
    if (e == 0) out.firstText = text.str();
  }
  out.text = text.str();
  return out;
}


}  // namespace korvis
