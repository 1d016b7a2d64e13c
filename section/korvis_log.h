// Reader of the result tables in korvis's log korvis.txt: ordinary tables
// (positions across, one row per spacing) become pseudosections, placed by
// the survey varga.arr beside the log when there is one; gradient tables (one
// value per position) and electric-field tables become profiles.
#pragma once

#include <string>
#include <vector>

#include "section/picture.h"

namespace section {

// Pictures "<stem>_rho_<n>.svg", "<stem>_eta_<n>.svg" and
// "<stem>_efield_<n>.svg", numbered per quantity in file order.
std::vector<Picture> readKorvisLog(const std::string& path, const std::string& stem);

}  // namespace section
