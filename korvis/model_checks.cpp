// The model, survey and array-file checks of korvis.
#include "korvis/model_checks.h"

#include <cmath>
#include <sstream>

#include "common/ground_surface.h"
#include "common/shown_value.h"
#include "common/survey_checks.h"
#include "korvis/driver.h"
#include "korvis/electrode_resistivity.h"

namespace korvis {

namespace {

constexpr float absentA = -10000.0f;
constexpr float absentB = 10000.0f;

// varga.xy is written by telm: a fault in it is mended in the model file.
constexpr const char* madeByTelm =
    " (varga.xy is made by telm: mend the model file and run telm with keyRun = -1 again)";

// The body lookup of one current electrode finds a body. A lookup keeps the
// value it was given when it finds nothing, so two different starting values
// tell it. With two surface vertices a surface electrode takes Ro(1) without
// a lookup.
bool lookupFinds(const common::ModelGeometry& m, const common::ElectrodePoint& e) {
  std::ostream discard(nullptr);
  float low = -1.0f, high = -2.0f;
  if (e.z == 0.0f) {
    if (m.nPOnSurface == 2) return true;
    bodyUnderSurface(m, e.x, low, discard);
    bodyUnderSurface(m, e.x, high, discard);
  } else {
    bodyAtPoint(m, piSingle, e.x, e.z, low, discard);
    bodyAtPoint(m, piSingle, e.x, e.z, high, discard);
  }
  return low != -1.0f || high != -2.0f;
}

}  // namespace

common::Findings checkModel(const common::ModelGeometry& m,
                            const std::vector<common::ElectrodePoint>& electrodes, float spacing,
                            const std::string& surveyFile, const common::ElectrodeName& name,
                            bool relief) {
  common::Findings out;
  for (int i = 0; i < m.nT; ++i) {
    const auto b = static_cast<std::size_t>(i);
    const std::string body = "varga.xy: body " + std::to_string(i + 1);
    if (!(m.Ro[b] > 0.0f)) {
      out.push_back({common::Severity::error,
                     body + " has Ro = " + common::shownValue(m.Ro[b]) + ": a resistivity must be positive" + madeByTelm});
    } else if (!(m.RO_IP[b] > 0.0f) || m.RO_IP[b] < m.Ro[b]) {
      out.push_back({common::Severity::error, body + " has RO_IP = " + common::shownValue(m.RO_IP[b]) + " with Ro = " +
                                                  common::shownValue(m.Ro[b]) + ": its chargeability is negative" +
                                                  madeByTelm});
    }
  }
  common::checkGeometry(m, "varga.xy", madeByTelm, out, relief);
  common::checkElectrodeExtent(m, electrodes, spacing, surveyFile, name, out);
  common::GroundSurface ground;
  std::string problem;
  if (relief) common::findGroundSurface(m, ground, problem);
  const double tolerance = common::pointTolerance(m);
  const auto onGround = [&](const common::ElectrodePoint& e) {
    return relief && !ground.x.empty() &&
           std::fabs(static_cast<double>(e.z) - ground.depthAt(static_cast<double>(e.x))) <= tolerance;
  };
  std::vector<common::ElectrodePoint> failed;
  for (const common::ElectrodePoint& e : electrodes) {
    if (e.current && !onGround(e) && !lookupFinds(m, e)) failed.push_back(e);
  }
  common::reportFailedLookups(failed, surveyFile, name,
                              "the value of the configuration before (\"ni~eg ne na{li\" or \"ni~ego ne na{li\" "
                              "on the console)",
                              out);
  return out;
}

std::vector<common::ElectrodePoint> surveyElectrodes(const common::ArrayFile& a) {
  std::vector<common::ElectrodePoint> list;
  const int spacings = evaluatedSpacings(a);
  for (int p = 1; p <= a.nPos; ++p) {
    for (int j = 1; j <= spacings; ++j) {
      const Placement pl = placeElectrodes(a, p, j);
      const Configuration& c = pl.first;
      if (c.XA != absentA) list.push_back({c.XA, c.ZA, true, 'A', p, j});
      if (c.XB != absentB) list.push_back({c.XB, c.ZB, true, 'B', p, j});
      list.push_back({c.xr, c.zr, false, 'M', p, j});
      if (a.keyArr == 18) list.push_back({pl.xr2, pl.zr2, false, 'M', p, j});
    }
  }
  return list;
}

float largestSpacing(const common::ArrayFile& a) {
  float largest = 0.0f;
  for (int j = 0; j < a.nSpac; ++j) largest = std::max(largest, std::abs(a.Spac[static_cast<std::size_t>(j)]));
  return largest;
}

common::Findings checkArrayFile(const common::ArrayFile& a) {
  common::Findings out;
  for (int j = 1; j < a.nSpac; ++j) {
    const float before = a.Spac[static_cast<std::size_t>(j - 1)], after = a.Spac[static_cast<std::size_t>(j)];
    if (after > before) continue;
    out.push_back({common::Severity::warning,
                   "varga.arr: the spacings are not in increasing order (Spac(" + std::to_string(j + 1) +
                       ") = " + common::shownValue(after) + " follows Spac(" + std::to_string(j) + ") = " + common::shownValue(before) +
                       "): the range of wavenumbers follows the last spacing, " +
                       common::shownValue(a.Spac[static_cast<std::size_t>(a.nSpac - 1)]) +
                       ", as if it were the largest; list the spacings in increasing order"});
    break;
  }
  return out;
}

}  // namespace korvis
