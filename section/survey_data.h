// Pictures of survey data files in the unified data format (electrode list
// and A B M N data, as korvis's survey mode writes them): pseudosections of
// the apparent resistivity and, when the file has it, the chargeability.
#pragma once

#include <string>
#include <vector>

#include "section/picture.h"

namespace section {

// Whether the file looks like one: a count alone on its first line, then a
// token line "# ...". Cheap; reads the first lines only.
bool looksLikeSurveyFile(const std::string& path);

// "<stem>_rho.svg" and, with an ip column, "<stem>_eta.svg". Every datum at
// the midpoint of its electrodes and its median depth of investigation.
// rhoa is taken from its column, else from k times r. Throws
// common::InputError.
std::vector<Picture> readSurveyData(const std::string& path, const std::string& stem);

}  // namespace section
