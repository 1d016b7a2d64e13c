// The ground surface as the pictures see it: a line of (x, depth) points
// from left to right, taken from the model's surface list in varga.xy or
// from the topography section of a survey file. A picture of a model or
// of data with relief draws the surface where it is, stands the electrodes
// on it, and measures pseudo-depths and outlines from it; a flat line
// leaves every picture as it was.
#pragma once

#include <vector>

#include "common/survey_file.h"
#include "section/model_picture.h"

namespace section {

// The depth of the ground at x: linear between the line's points, level
// beyond its ends; 0 for an empty line. At a vertical step, the point met
// first from the left.
double groundDepthAt(const std::vector<Point>& line, double x);

// Whether a point of the line lies further than `tolerance` from z = 0.
bool leavesDatum(const std::vector<Point>& line, double tolerance);

// A survey file's topography (elevations, in any order) as a ground line
// (depths, by increasing x; points at one x keep their file order).
std::vector<Point> groundFromTopography(const std::vector<common::SurveyTopographyPoint>& topography);

// The outlines with every vertex's depth measured from the ground at its x
// instead of from z = 0: the depth below the surface that a pseudo-depth
// axis shows.
std::vector<std::vector<Point>> outlinesBelowGround(std::vector<std::vector<Point>> outlines, const std::vector<Point>& line);

}  // namespace section
