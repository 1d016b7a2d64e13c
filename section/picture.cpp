// Dispatch from file names to readers and from pictures to renderers.
#include "section/picture.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "section/korvis_log.h"
#include "section/point_list.h"
#include "section/survey_data.h"
#include "section/telm_results.h"

namespace section {

InputKind inputKindOf(std::string_view fileName, bool exactNamesOnly) {
  static constexpr std::array<std::string_view, 12> telmArrays{
      "amnb_01.dat", "amn_02.dat",  "mnb_03.dat",   "a_mn_04.dat",  "mn_b_05.dat",  "abmn_06.dat",
      "mnab_07.dat", "am_08.dat",   "mb_09.dat",    "ab_mn_10.dat", "mn_ab_11.dat", "a_mn_b12.dat"};
  static constexpr std::array<std::string_view, 5> pointLists{"A_MN.txt", "MN_B.txt", "A_MNip.txt", "MN_Bip.txt",
                                                              "AB_MN_pr.txt"};
  if (std::find(telmArrays.begin(), telmArrays.end(), fileName) != telmArrays.end()) return InputKind::telmArray;
  if (std::find(pointLists.begin(), pointLists.end(), fileName) != pointLists.end()) return InputKind::pointList;
  if (fileName == "magn13.dat") return InputKind::telmMagnetic;
  if (fileName == "korvis.txt") return InputKind::korvisLog;
  if (fileName == "varga.xy") return InputKind::model;
  if (fileName.find("-data.") != std::string_view::npos) return InputKind::surveyData;
  if (exactNamesOnly) return InputKind::none;
  if (fileName.ends_with(".ohm")) return InputKind::surveyData;
  if (fileName.ends_with(".dat")) {
    return fileName.find("magn") != std::string_view::npos ? InputKind::telmMagnetic : InputKind::telmArray;
  }
  if (fileName.ends_with(".xy")) return InputKind::model;
  if (fileName.ends_with(".txt")) {
    return fileName.starts_with("korvis") ? InputKind::korvisLog : InputKind::pointList;
  }
  return InputKind::none;
}

namespace {

// Without varga.arr, the electrodes of the model picture come from the
// first survey file (in name order) in the model's folder.
std::string surveyBeside(const std::filesystem::path& model) {
  std::error_code ec;
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(model.parent_path().empty() ? "." : model.parent_path(), ec)) {
    if (entry.is_regular_file(ec) && looksLikeSurveyFile(entry.path().string())) found.push_back(entry.path().string());
  }
  std::sort(found.begin(), found.end());
  return found.empty() ? std::string() : found.front();
}

std::vector<Picture> readPictures(const std::string& path, InputKind kind, const DrawOptions& options) {
  const std::filesystem::path p(path);
  const std::string stem = p.stem().string();
  const std::string name = p.filename().string();
  if ((kind == InputKind::telmArray || kind == InputKind::pointList) &&
      inputKindOf(name, true) == InputKind::none && looksLikeSurveyFile(path)) {
    kind = InputKind::surveyData;
  }
  switch (kind) {
    case InputKind::surveyData: return readSurveyData(path, stem, options.arrayClass);
    case InputKind::telmArray: return readTelmArrayFile(path, stem);
    case InputKind::telmMagnetic: return readMagneticFile(path, stem);
    case InputKind::korvisLog: return readKorvisLog(path, stem);
    case InputKind::pointList: return readPointList(path, stem);
    case InputKind::model: {
      ModelDrawing m = readModel(path, (p.parent_path() / "varga.arr").string(), surveyBeside(p));
      m.full = options.fullModel;
      m.showNodes = options.nodes;
      return {{stem == "varga" ? "model.svg" : stem + "_model.svg", std::move(m)}};
    }
    case InputKind::none: break;
  }
  return {};
}

}  // namespace

std::vector<Picture> picturesOf(const std::string& path, InputKind kind, const DrawOptions& options) {
  auto pictures = readPictures(path, kind, options);
  if (options.nLevel) {
    for (auto& p : pictures) {
      if (auto* s = std::get_if<Pseudosection>(&p.content)) useNLevels(*s);
    }
  }
  return pictures;
}

std::string renderPicture(const Picture& picture) {
  struct Renderer {
    std::string operator()(const Pseudosection& s) const { return renderPseudosection(s); }
    std::string operator()(const Profile& p) const { return renderProfile(p); }
    std::string operator()(const ModelDrawing& m) const { return renderModel(m); }
  };
  return std::visit(Renderer{}, picture.content);
}

}  // namespace section
