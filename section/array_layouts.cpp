// Survey reading for the pictures. Both readers are forgiving on purpose: a
// result file drawn without its survey still gives a picture, only with the
// values at the stations instead of the configurations' midpoints.
#include "section/array_layouts.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "common/record_reader.h"
#include "korvis/driver.h"
#include "section/text_lines.h"
#include "telm/array_kinds.h"
#include "telm/model_input.h"

namespace section {

namespace {

std::string modelPathIn(const std::string& folder) {
  const auto list = std::filesystem::path(folder) / "filename";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(list, ec)) return {};
  const std::string name = telm::readModelFileName(list.string());
  return name.empty() ? std::string() : (std::filesystem::path(folder) / name).string();
}

Electrode finite(float x, float z) { return {x, z, false}; }

}  // namespace

std::unique_ptr<const telm::TelmState> readTelmModel(const std::string& folder) {
  try {
    const std::string path = modelPathIn(folder);
    if (path.empty()) return nullptr;
    auto st = std::make_unique<telm::TelmState>();
    std::ostringstream discard;
    common::RecordReader in(path);
    telm::readModelPart(in, *st, discard);
    telm::readSurveySettings(in, *st, discard);
    return st;
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::string modelTitle(const std::string& folder) {
  try {
    const std::string path = modelPathIn(folder);
    if (path.empty()) return {};
    const TextLines f(path);
    return f.size() > 0 ? std::string(trim(f[0])) : std::string();
  } catch (const std::exception&) {
    return {};
  }
}

common::ArrayFile readArrayFile(const std::string& path) {
  common::RecordReader in(path);
  common::ArrayFile a;
  auto checkRange = [&](int value, int hi, const char* field) {
    if (value < 0 || value > hi) {
      throw common::InputError(in.where("expected " + std::string(field) + " from 0 to " + std::to_string(hi) +
                                        ", found " + std::to_string(value)));
    }
  };
  in.record(a.dX, "dX", a.dZ, "dZ", a.X0, "X0", a.Z0, "Z0", a.nPos, "nPos", a.nSpac, "nSpac");
  checkRange(a.nPos, common::maxPositions, "nPos");
  checkRange(a.nSpac, common::maxSpacings, "nSpac");
  in.record(a.XA, "XA", a.ZA, "ZA", a.XB, "XB", a.ZB, "ZB", a.XMN, "XMN", a.keyArr, "keyArr", a.iDir, "iDir");
  if (a.keyArr == 18) {
    for (int i = 1; i <= a.nSpac; ++i) a.Spac[static_cast<std::size_t>(i - 1)] = (static_cast<float>(i) + 0.5f) * a.dX;
    a.Z0 = 0.0f;
    a.iDir = 0;
  } else {
    in.readList(a.Spac.data(), a.nSpac, "Spac");
  }
  return a;
}

std::optional<common::ArrayFile> readKorvisSurvey(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  try {
    return readArrayFile(path);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

Configuration telmConfiguration(const telm::TelmState& st, int kind, int i, int j) {
  const telm::Electrodes e = telm::placeElectrodes(st, kind, i, j);
  auto electrode = [](float x, float z) {
    return std::fabs(x) >= 99999.0f ? Electrode{} : finite(x, z);
  };
  Configuration c{electrode(e.XA, e.ZA), electrode(e.XB, e.ZB), electrode(e.xM, e.zM), electrode(e.xN, e.zN)};
  if (kind == 8 || kind == 9) c.b = c.n = Electrode{};
  return c;
}

Configuration korvisConfiguration(const common::ArrayFile& a, int p, int j, bool reverse) {
  const korvis::Placement pl = korvis::placeElectrodes(a, p, j);
  const korvis::Configuration& k = pl.first;
  Configuration c;
  c.a = k.XA <= -10000.0f ? Electrode{} : finite(k.XA, k.ZA);
  c.b = k.XB >= 10000.0f ? Electrode{} : finite(k.XB, k.ZB);
  c.m = reverse ? finite(pl.xr2, pl.zr2) : finite(k.xr, k.zr);
  c.pointReceiver = true;
  c.dx = reverse ? 1.0 : static_cast<double>(k.nx);
  c.dz = reverse ? 0.0 : static_cast<double>(k.nz);
  return c;
}

std::string telmKindName(int kind) {
  std::string title(trim(telm::arrayKindInfo(kind).title));
  const auto open = title.rfind(" (");
  if (open != std::string::npos) title = title.substr(0, open);
  return title + " (kind " + std::to_string(kind) + ")";
}

std::string korvisKindName(int kind) {
  static constexpr std::array<const char*, 19> names{
      "Schlumberger, point receiver",
      "half-Schlumberger A-M, B at infinity",
      "half-Schlumberger M-B, A at infinity",
      "dipole-dipole AB-M",
      "dipole-dipole M-AB",
      "Schlumberger, point receiver",
      "Schlumberger, point receiver",
      "Schlumberger, point receiver",
      "borehole, source below the receiver",
      "borehole, source above the receiver",
      "cross-hole",
      "Schlumberger, point receiver",
      "buried line M-B, A at infinity",
      "buried line A-M, B at infinity",
      "pole-dipole A-M forward",
      "pole-dipole M-B backward",
      "gradient, fixed A and B",
      "half-Schlumberger forward and reverse",
      "gradient, electric field"};
  const std::string name = kind >= 1 && kind <= 19 ? names[static_cast<std::size_t>(kind - 1)] : "laid out as kind 1";
  return name + " (kind " + std::to_string(kind) + ")";
}

}  // namespace section
