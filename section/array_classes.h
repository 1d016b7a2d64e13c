// The array class of a four-electrode measurement, told from its electrode
// positions alone: a survey file lists quadrupoles without saying which
// array they belong to, and a pseudosection is only readable for data of
// one array (the pseudo-depths of two arrays interleave into stripes).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "section/configuration.h"

namespace section {

enum class ArrayClass {
  dipoleDipole,  // AB and MN apart, neither inside the other (Wenner beta is n = 1)
  wenner,        // Wenner alpha: A M N B evenly spaced
  wennerGamma,   // A M B N evenly spaced: the dipoles interleaved
  schlumberger,  // MN inside AB, centred on it
  gradient,      // MN inside AB, off its centre
  poleDipole,    // one current electrode at infinity
  dipolePole,    // one potential electrode at infinity
  polePole,      // one of each at infinity
  borehole,      // electrodes below the surface, all in one hole
  crossHole,     // electrodes below the surface in more than one place
  other,
};

inline constexpr ArrayClass allArrayClasses[] = {
    ArrayClass::dipoleDipole, ArrayClass::wenner,    ArrayClass::wennerGamma, ArrayClass::schlumberger,
    ArrayClass::gradient,     ArrayClass::poleDipole, ArrayClass::dipolePole, ArrayClass::polePole,
    ArrayClass::borehole,     ArrayClass::crossHole, ArrayClass::other};

// "dipole-dipole", "Wenner", "Wenner gamma", ... for titles.
std::string arrayClassName(ArrayClass c);
// "dipole-dipole", "wenner", "wenner-gamma", ...: the --array value and the
// part of a picture's file name.
std::string arrayClassSlug(ArrayClass c);
std::optional<ArrayClass> arrayClassFromSlug(std::string_view slug);
// The slugs, separated by ", " (for messages).
std::string arrayClassList();

// The class of `c`, whose z are depths below the surface at the electrode
// (positive down). `tolerance` is the distance below which two places count
// as one and an electrode as standing on the surface.
ArrayClass classifyQuadrupole(const Configuration& c, double tolerance);

}  // namespace section
