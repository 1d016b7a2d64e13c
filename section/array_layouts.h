// The surveys behind the result files: the telm model file (found through
// "filename" beside the results) and korvis's varga.arr, and the electrodes
// of every array kind, taken from the programs' own layout routines so that
// a picture places each value where the program put its electrodes.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/model.h"
#include "section/configuration.h"
#include "telm/telm_state.h"

namespace section {

// The telm model named on the first line of "filename" in `folder`, with its
// survey settings; nullptr when either file is missing or cannot be read
// (the pictures then fall back to the stations and the spacing list).
std::unique_ptr<const telm::TelmState> readTelmModel(const std::string& folder);

// The first title line of that model, trimmed; empty when there is none.
std::string modelTitle(const std::string& folder);

// varga.arr with its spacings (generated for kind 18); throws
// common::InputError naming the file, the line and the field.
common::ArrayFile readArrayFile(const std::string& path);
// The same, or nullopt when the file is missing or malformed.
std::optional<common::ArrayFile> readKorvisSurvey(const std::string& path);

// Electrodes of telm kind 1..12 at station i, spacing j (1-based). Remote
// electrodes: x beyond +-99999, and the distant pairs of the pole-pole kinds
// 8 and 9.
Configuration telmConfiguration(const telm::TelmState& st, int kind, int i, int j);

// Electrodes of korvis at position p, spacing j (1-based): A, B and a point
// receiver with its direction; `reverse` takes the second receiver of kind
// 18. Remote: A at x <= -10000, B at x >= 10000.
Configuration korvisConfiguration(const common::ArrayFile& a, int p, int j, bool reverse);

// "Schlumberger array A_mn_B (kind 1)" and the like.
std::string telmKindName(int kind);
std::string korvisKindName(int kind);

}  // namespace section
