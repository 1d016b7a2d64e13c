// Pictures of survey data files in the unified data format (electrode list
// and A B M N data, as korvis's survey mode writes them): pseudosections of
// the apparent resistivity and, when the file has it, the chargeability,
// one per array class of the file's measurements.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "section/array_classes.h"
#include "section/picture.h"

namespace section {

// Whether the file looks like one: a count alone on its first line, then a
// token line "# ...". Cheap; reads the first lines only.
bool looksLikeSurveyFile(const std::string& path);

// "<stem>_rho.svg" and, with an ip column, "<stem>_eta.svg" when the data
// are of one array class; "<stem>_<class>_rho.svg" ... per class when they
// are of several. Surface data at the midpoint of their electrodes and their
// median depth of investigation, borehole data along the hole, cross-hole
// data at the centroid of their electrodes. With `only`, the data of that
// class alone (an error when the file has none). rhoa is taken from its
// column, else from k times r. Throws common::InputError.
std::vector<Picture> readSurveyData(const std::string& path, const std::string& stem,
                                    std::optional<ArrayClass> only = std::nullopt);

}  // namespace section
