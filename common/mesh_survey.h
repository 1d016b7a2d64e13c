// The record of the survey a mesh was refined for. telm --survey grades
// varga.xy toward the electrodes of one survey; korvis --survey run with
// another survey's electrodes would model them on elements sized for other
// places, without a word. So telm writes beside the mesh a short text file
// (varga.xy.survey) with the electrodes and a fingerprint of the mesh's text,
// and korvis compares the survey it models with it. The file is ours: the
// mesh itself keeps its format, and a mesh written again by a run without
// --survey no longer matches the fingerprint, so its old record is ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/survey_checks.h"

namespace common {

// "varga.xy" -> "varga.xy.survey".
std::string meshSurveyPath(const std::string& meshPath);

// 64-bit FNV-1a of the text, as 16 hexadecimal digits.
std::string textFingerprint(std::string_view text);

// The record's text:
//   # electrodes that the mesh was refined for (telm --survey <survey>)
//   # mesh <fingerprint of the mesh's text>
//   <x> <depth>        one line per electrode, 9 significant digits
std::string meshSurveyText(std::string_view meshText, const std::string& survey,
                           const std::vector<SurveyPlace>& electrodes);

struct MeshSurvey {
  std::string survey;                  // the survey file named by telm
  std::vector<SurveyPlace> electrodes;
};

// The record's content when it is one of the text `meshText`; nothing for
// another mesh's record or a text that is no such record.
std::optional<MeshSurvey> parseMeshSurvey(std::string_view record, std::string_view meshText);

// The record beside `meshPath` when there is one that belongs to the mesh's
// present text; nothing otherwise (none, another mesh's, or unreadable).
std::optional<MeshSurvey> readMeshSurvey(const std::string& meshPath);

}  // namespace common
