// Options that change what the pictures show (not which files are drawn):
// the whole model instead of the surveyed ground, the boundary nodes, and
// the n-level instead of the pseudo-depth for dipole-dipole data, and the
// array class of survey data to draw.
#pragma once

#include <optional>
#include <string_view>

#include "section/array_classes.h"

namespace section {

struct DrawOptions {
  std::optional<ArrayClass> arrayClass = std::nullopt;  // --array CLASS: survey data of that class only
  bool fullModel = false;  // --full
  bool nodes = false;      // --nodes
  bool nLevel = false;     // --n-level
};

// True when `arg` is one of the options; it is then recorded in `options`.
bool parseDrawOption(std::string_view arg, DrawOptions& options);

// The lines of the usage text that describe them.
inline constexpr const char* drawOptionsUsage =
    "  --full            model picture of the whole model (default: the surveyed\n"
    "                    ground, the electrodes and down to the deepest pseudo-depth)\n"
    "  --nodes           draw the boundary nodes in the model picture\n"
    "  --n-level         dipole-dipole data (two dipoles of one length) against the\n"
    "                    n-level instead of the pseudo-depth\n"
    "  --array CLASS     survey data: draw only the data of one array class\n"
    "                    (dipole-dipole, wenner, wenner-gamma, schlumberger,\n"
    "                    gradient, pole-dipole, dipole-pole, pole-pole, borehole,\n"
    "                    cross-hole, other)\n";

}  // namespace section
