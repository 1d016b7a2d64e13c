// Readers of the result files of telm: the array files amnb_01.dat ...
// a_mn_b12.dat (two title lines, a count line, the spacing or offset list,
// then per station its x, the count and the value blocks; kind 12 one line
// per station) and the magnetic-field table magn13.dat.
#pragma once

#include <string>
#include <vector>

#include "section/picture.h"

namespace section {

// Pictures "<stem>_rho.svg" and, with IP, "<stem>_eta.svg": pseudosections,
// or profiles for the single-spacing kind 12.
std::vector<Picture> readTelmArrayFile(const std::string& path, const std::string& stem);
// Picture "<stem>.svg": the profiles of dHx, dHz and dZ.
std::vector<Picture> readMagneticFile(const std::string& path, const std::string& stem);

}  // namespace section
