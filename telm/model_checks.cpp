// The model and survey checks of telm.
#include "telm/model_checks.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "common/shown_value.h"
#include "telm/array_kinds.h"
#include "telm/system2d.h"

namespace telm {

namespace {

// Per configuration: its electrodes and bookkeeping in the plan, its share
// of the solve tables, and two cells of the result tables.
constexpr double bytesPerConfiguration = 200.0;

// Calls each(kind, spacings) for the arrays a run computes: in the order of
// the model file, kinds 12 and 13 setting one spacing for themselves and the
// arrays after them, kind 13 ending the list.
template <typename Each>
void forEachArray(const TelmState& st, Each each) {
  int spacings = std::max(st.spacingCount, 0);
  for (int a = 0; a < st.arrayCount; ++a) {
    const int kind = effectiveKind(st.arrayKind[static_cast<std::size_t>(a)]);
    if ((kind == 12 || kind == magneticKind) && st.stationCount > 0) spacings = 1;
    each(kind, spacings);
    if (kind == magneticKind) break;
  }
}

// Physical memory of the machine in bytes, 0 when unknown.
double physicalMemory() {
  std::ifstream in("/proc/meminfo");
  std::string name;
  double kilobytes = 0;
  while (in >> name >> kilobytes) {
    if (name == "MemTotal:") return kilobytes * 1024.0;
    in.ignore(1 << 10, '\n');
  }
  return 0;
}

// The body lookup of a current electrode finds a body: a remote electrode
// or, with at most two surface vertices, a surface one takes body 1 by
// rule; another surface electrode needs a surface stretch over its x, a
// buried one a body outline round it.
class LookupCheck {
 public:
  explicit LookupCheck(const TelmState& st) : model_(st.model) {
    int surface = 0;
    for (int v = 0; v < model_.nP; ++v) surface += model_.zp[static_cast<std::size_t>(v)] < common::surfaceBand;
    surfaceVertices_ = surface;
    const auto stretches = common::surfaceStretches(model_);
    if (!stretches.empty()) {
      left_ = model_.xp[static_cast<std::size_t>(stretches.front().left - 1)];
      right_ = model_.xp[static_cast<std::size_t>(stretches.back().right - 1)];
      anyStretch_ = true;
    }
  }

  bool finds(float x, float z, bool remote) {
    if (remote) return true;
    if (z == 0.0f) return surfaceVertices_ < 3 || (anyStretch_ && left_ <= x && x <= right_);
    const auto key = std::pair{std::bit_cast<std::uint32_t>(x), std::bit_cast<std::uint32_t>(z)};
    if (const auto it = buried_.find(key); it != buried_.end()) return it->second;
    return buried_[key] = enclosingBody(model_, x, z) != 0;
  }

 private:
  const common::ModelGeometry& model_;
  int surfaceVertices_ = 0;
  bool anyStretch_ = false;
  float left_ = 0, right_ = 0;
  std::map<std::pair<std::uint32_t, std::uint32_t>, bool> buried_;
};

}  // namespace

common::Findings checkModel(const TelmState& st) {
  common::Findings out;
  const common::ModelGeometry& g = st.model;
  const bool magnetic = st.firstArrayKind == magneticKind;
  for (int i = 0; i < g.nT; ++i) {
    const auto b = static_cast<std::size_t>(i);
    const std::string body = st.modelFileName + ": body " + std::to_string(i + 1);
    if (magnetic ? !(g.Ro[b] > -1.0f) : !(g.Ro[b] > 0.0f)) {
      out.push_back({common::Severity::error,
                     body + " has Ro = " + common::shownValue(g.Ro[b]) +
                         (magnetic ? ": with the magnetic-field array Ro is a susceptibility and must exceed -1"
                                   : ": a resistivity must be positive (ohm-m); give the body its resistivity")});
    }
    if (st.eta[b] < 0.0f) {
      out.push_back({common::Severity::error,
                     body + " has eta = " + common::shownValue(st.eta[b]) +
                         ": a chargeability is 0 or more (percent, below 100); give 0 for no IP effect"});
    }
  }
  common::checkGeometry(g, st.modelFileName, "", out, st.relief);
  return out;
}

double surveyBytes(const TelmState& st) {
  double configurations = 0;
  const double passes = st.keyIP != 0 ? 2 : 1;
  forEachArray(st, [&](int, int spacings) {
    configurations += passes * std::max(st.stationCount, 0) * static_cast<double>(spacings);
  });
  return configurations * bytesPerConfiguration;
}

common::Findings checkSurvey(const TelmState& st) {
  common::Findings out;
  const double needed = surveyBytes(st);
  const double memory = physicalMemory();
  if (memory > 0 && needed > memory / 2) {
    out.push_back({common::Severity::error,
                   st.modelFileName + ": stationCount " + std::to_string(st.stationCount) + " with spacingCount " +
                       std::to_string(st.spacingCount) + " needs about " + common::shownValue(std::ceil(needed / 1e9)) +
                       " GB for its configurations and result tables, more than half the memory of this "
                       "machine (" + common::shownValue(std::floor(memory / 1e9)) + " GB): reduce stationCount or spacingCount"});
    return out;
  }

  std::vector<common::ElectrodePoint> electrodes, failed;
  LookupCheck lookup(st);
  forEachArray(st, [&](int kind, int spacings) {
    if (kind == magneticKind) return;
    for (int i = 1; i <= st.stationCount; ++i) {
      for (int j = 1; j <= spacings; ++j) {
        const Electrodes e = placeElectrodes(st, kind, i, j);
        const bool remoteA = e.XA == -remoteX, remoteB = e.XB == remoteX;
        // Kind 8 stands its B and N far off on purpose.
        const bool farPair = kind == 8;
        if (!remoteA) electrodes.push_back({e.XA, e.ZA, true, 'A', i, j});
        if (!remoteB && !farPair) electrodes.push_back({e.XB, e.ZB, true, 'B', i, j});
        electrodes.push_back({e.xM, e.zM, false, 'M', i, j});
        if (!farPair) electrodes.push_back({e.xN, e.zN, false, 'N', i, j});
        if (e.ZB == 400.0f && e.ZA == 0.0f) {
          if (!lookup.finds(e.XA, 0.0f, remoteA)) failed.push_back({e.XA, e.ZA, true, 'A', i, j});
          continue;
        }
        if (!lookup.finds(e.XA, e.ZA, remoteA)) failed.push_back({e.XA, e.ZA, true, 'A', i, j});
        if (!farPair && !lookup.finds(e.XB, e.ZB, remoteB)) failed.push_back({e.XB, e.ZB, true, 'B', i, j});
      }
    }
  });
  float largest = 0.0f;
  for (int j = 0; j < st.spacingCount; ++j) {
    largest = std::max(largest, std::abs(st.spacingList[static_cast<std::size_t>(j)]));
  }
  const common::ElectrodeName name = common::electrodeNamer("station");
  common::checkElectrodeExtent(st.model, electrodes, largest, st.modelFileName, name, out);
  common::reportFailedLookups(failed, st.modelFileName, name, "the resistivity of body 1", out);
  return out;
}

}  // namespace telm
