// The survey file reader on fuzzed text. Beyond "no crash, no sanitizer
// report": every error names the file, and a survey that reads back without
// error writes a text that reads back to the same electrodes and data. The
// same text is also read as the record of a mesh's survey (varga.xy.survey),
// which, when it reads, writes back to the same record.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/mesh_survey.h"
#include "common/record_reader.h"
#include "common/survey_file.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

void meshRecord(std::string_view text) {
  constexpr std::string_view mesh = "4 2 2 1 nP,nT, nPOnSurface,keyIP\n";
  const std::optional<common::MeshSurvey> m = common::parseMeshSurvey(text, mesh);
  if (!m) return;
  const std::optional<common::MeshSurvey> back =
      common::parseMeshSurvey(common::meshSurveyText(mesh, m->survey, m->electrodes), mesh);
  require(back.has_value() && back->survey == m->survey && back->electrodes.size() == m->electrodes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  meshRecord(text);
  common::SurveyData s;
  try {
    s = common::parseSurveyText(text, "survey.dat");
  } catch (const common::InputError& e) {
    require(std::string_view(e.what()).starts_with("survey.dat, line "));
    return 0;
  }
  const common::SurveyData back = common::parseSurveyText(common::formatSurveyText(s), "back.dat");
  require(back.electrodes.size() == s.electrodes.size());
  require(back.data.size() == s.data.size());
  require(back.columns == s.columns);
  for (std::size_t e = 0; e < s.electrodes.size(); ++e) {
    require(back.electrodes[e].x == s.electrodes[e].x && back.electrodes[e].z == s.electrodes[e].z);
  }
  for (std::size_t d = 0; d < s.data.size(); ++d) {
    require(back.data[d].a == s.data[d].a && back.data[d].n == s.data[d].n);
  }
  return 0;
}
