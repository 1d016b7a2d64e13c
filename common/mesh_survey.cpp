// Writing and reading the record of a mesh's survey.
#include "common/mesh_survey.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "common/input_text.h"
#include "common/record_reader.h"

namespace common {

namespace {

constexpr std::string_view refinedHead = "# electrodes that the mesh was refined for (telm --survey ";
constexpr std::string_view meshHead = "# mesh ";
// A mesh of the largest size korvis reads is well below this.
constexpr std::size_t maxMeshBytes = std::size_t{16} << 20;
constexpr std::size_t maxRecordBytes = std::size_t{1} << 20;

}  // namespace

std::string meshSurveyPath(const std::string& meshPath) { return meshPath + ".survey"; }

std::string textFingerprint(std::string_view text) {
  std::uint64_t h = 1469598103934665603ULL;
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(h));
  return digits;
}

std::string meshSurveyText(std::string_view meshText, const std::string& survey,
                           const std::vector<SurveyPlace>& electrodes) {
  std::ostringstream out;
  out.precision(9);
  out << refinedHead << survey << ")\n" << meshHead << textFingerprint(meshText) << "\n";
  for (const SurveyPlace& e : electrodes) out << e.x << ' ' << e.depth << "\n";
  return out.str();
}

std::optional<MeshSurvey> parseMeshSurvey(std::string_view record, std::string_view meshText) {
  std::size_t pos = 0;
  std::string_view line;
  if (!nextTextLine(record, pos, line) || !line.starts_with(refinedHead) || !line.ends_with(")")) {
    return std::nullopt;
  }
  MeshSurvey m;
  m.survey = std::string(line.substr(refinedHead.size(), line.size() - refinedHead.size() - 1));
  if (!nextTextLine(record, pos, line) || line != std::string(meshHead) + textFingerprint(meshText)) {
    return std::nullopt;
  }
  while (nextTextLine(record, pos, line)) {
    std::istringstream fields{std::string(line)};
    SurveyPlace p;
    if (!(fields >> p.x >> p.depth)) return std::nullopt;
    m.electrodes.push_back(p);
  }
  return m;
}

std::optional<MeshSurvey> readMeshSurvey(const std::string& meshPath) {
  try {
    return parseMeshSurvey(readInputText(meshSurveyPath(meshPath), maxRecordBytes, "mesh record"),
                           readInputText(meshPath, maxMeshBytes, "mesh"));
  } catch (const InputError&) {
    return std::nullopt;
  }
}

}  // namespace common
