// Result files of telm in their fixed layouts.
#include "telm/result_files.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/edit_format.h"
#include "common/free_format.h"
#include "telm/array_kinds.h"

namespace telm {

namespace {

constexpr const char* rowLayout = "(1X,8(F8.2,1X))";

template <typename ValueAt>
std::string row(int count, ValueAt valueAt) {
  std::vector<common::FormatValue> list;
  list.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int j = 1; j <= count; ++j) list.emplace_back(valueAt(j));
  return common::formatLine(rowLayout, list);
}

}  // namespace

std::string pathIn(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  return directory.back() == '/' ? directory + name : directory + "/" + name;
}

ResultTables::ResultTables(int stationCount, int spacingCount)
    : stations(stationCount),
      spacings(spacingCount),
      rho(static_cast<std::size_t>(std::max(stationCount, 0)) * static_cast<std::size_t>(std::max(spacingCount, 0))),
      eta(rho.size()) {}

void apparentChargeability(ResultTables& t) {
  for (std::size_t k = 0; k < t.eta.size(); ++k) {
    t.eta[k] = (t.eta[k] - t.rho[k]) / t.eta[k] * 100.0f;
  }
}

std::string resultFileText(const TelmState& st, int kind, const ResultTables& t) {
  const ArrayKindInfo& info = arrayKindInfo(kind);
  std::string text = common::formatLine("(A75)", {st.title1});
  text += common::formatLine("(A75)", {st.title2});
  text += common::formatLine("(1X,I3,1X,I3,1X,I3,3X,A1)",
                             {t.stations, st.keyIP, t.spacings, std::string(info.letter)});
  const bool withEta = st.keyIP == 1;
  if (kind == 12) {
    for (int i = 1; i <= t.stations; ++i) {
      const float x = stationX(st, i);
      text += withEta ? common::formatLine("(1X,F10.2,2X,F7.2,2X,F7.2)",
                                           {x, t.rhoAt(i, 1), t.etaAt(i, 1)})
                      : common::formatLine("(1X,F10.2,2X,F7.2)", {x, t.rhoAt(i, 1)});
    }
    return text;
  }
  const auto& heading = info.heading == SpacingHeading::offsets ? st.offsetList : st.spacingList;
  text += row(t.spacings, [&](int j) { return heading[static_cast<std::size_t>(j - 1)]; });
  for (int i = 1; i <= t.stations; ++i) {
    text += common::formatLine("(1X,F7.1,/,1X,I3)", {stationX(st, i), t.spacings});
    text += row(t.spacings, [&](int j) { return t.rhoAt(i, j); });
    if (withEta) text += row(t.spacings, [&](int j) { return t.etaAt(i, j); });
  }
  return text;
}

std::string magneticHeader() {
  return (common::FreeRecord(common::FreeStyle::telm) << "x z dHx dHz dZ").str();
}

float magneticAnomaly(const Electrodes& e) {
  const float bx = e.XA, bz = e.ZA, hx = e.xN, hz = e.zN;
  return std::sqrt((bx + hx) * (bx + hx) + (bz + hz) * (bz + hz)) - std::sqrt(bx * bx + bz * bz);
}

std::string magneticLine(const Electrodes& e) {
  return common::formatLine("(2(1X,F11.2),3(1X,F12.3))",
                            {e.xM, e.zM, e.xN, e.zN, magneticAnomaly(e)});
}

std::string pseudoSectionText(const TelmState& st, const ResultTables& t) {
  std::string text = (common::FreeRecord(common::FreeStyle::telm) << "X R Rok").str();
  for (int j = 1; j <= t.spacings; ++j) {
    const float o = st.offsetList[static_cast<std::size_t>(j - 1)];
    for (int i = 1; i <= t.stations; ++i) {
      const float x = static_cast<float>(i - 1) * st.stationStep - o / 2.0f + st.firstStation;
      text += (common::FreeRecord(common::FreeStyle::telm) << x << o << t.rhoAt(i, j)).str();
    }
  }
  return text;
}

}  // namespace telm
