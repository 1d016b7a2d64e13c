// Drawing options, kept apart from the driver's file selection so that a new
// one is a row here.
#include "section/draw_options.h"

namespace section {

bool parseDrawOption(std::string_view arg, DrawOptions& options) {
  const struct {
    std::string_view name;
    bool DrawOptions::*flag;
  } table[] = {{"--full", &DrawOptions::fullModel}, {"--nodes", &DrawOptions::nodes}, {"--n-level", &DrawOptions::nLevel}};
  for (const auto& row : table) {
    if (arg == row.name) {
      options.*row.flag = true;
      return true;
    }
  }
  return false;
}

}  // namespace section
