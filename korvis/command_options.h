// korvis's command line: the options table and the help text. An option is
// added with one row of the table and one paragraph at most in the text.
#pragma once

#include <vector>

#include "common/command_line.h"

namespace korvis {

const common::ProgramHelp& programHelp();
const std::vector<common::OptionRow>& commandOptions();

}  // namespace korvis
