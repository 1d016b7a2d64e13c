// Checks of a polygon model that both programs make before any work: the
// geometry (vertices below the ground surface, outlines that are simple and
// clockwise, bodies that do not overlap, one body under every stretch of the
// ground surface, shared vertices where bodies meet) and the position of the
// electrodes against the model's extent. A check never changes the model; it
// reports findings, each already worded for the user with the file, the
// bodies or vertices by number and coordinates, and what to change.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/model.h"

namespace common {

enum class Severity { error, warning };

struct Finding {
  Severity severity;
  std::string message;  // without the program's name and without a line end
};

using Findings = std::vector<Finding>;

bool hasErrors(const Findings& findings);

// Prints every finding as "<program>: error: ..." or "<program>: warning: ...",
// errors first.
void printFindings(const Findings& findings, const std::string& program, std::ostream& out);

// A vertex counts as lying on the ground surface (and in the surface list)
// when zp < 0.001; a vertex with zp below -0.001 lies above the surface.
inline constexpr float surfaceBand = 0.001f;

// The body numbers (1-based) under each stretch between neighbouring surface
// vertices (zp < surfaceBand, ordered by increasing xp, equal xp by vertex
// number): every body one of whose sides runs from the left vertex to the
// right one.
struct SurfaceStretch {
  int left = 0, right = 0;  // vertex numbers
  std::vector<int> bodies;
};
std::vector<SurfaceStretch> surfaceStretches(const ModelGeometry& m);

// The geometry checks. `file` names the file the model came from in the
// messages; `fix` is appended to every error (for a file the user does not
// edit: where the model really comes from). Errors: a vertex above the
// ground surface, an outline with fewer than three vertices, crossing itself,
// enclosing no area or running anticlockwise, two bodies overlapping (one
// wholly inside another has its own message: an outline has no holes), a
// surface stretch under no body or under two, vertices of one body on sides
// of another that does not list them (one error listing them all). Warning:
// no surface stretch over body 1. With `relief` (the survey mode of a model
// whose surface leaves z = 0) vertices may lie above z = 0 and the ground
// surface is the model's upper boundary (ground_surface.h), which must be
// one line across the model.
void checkGeometry(const ModelGeometry& m, const std::string& file, const std::string& fix,
                   Findings& out, bool relief = false);

// One electrode of a survey: a current electrode (which needs the body it
// stands in) or a receiver, with where it belongs in the survey.
struct ElectrodePoint {
  float x = 0, z = 0;
  bool current = false;
  char letter = 'A';  // A, B, M, N
  int position = 0;   // 1-based station, position or electrode number
  int spacing = 0;    // 1-based; 0 when the survey has none
};

// How messages name an electrode: "current electrode A of station 3, spacing 2".
using ElectrodeName = std::function<std::string(const ElectrodePoint&)>;
ElectrodeName electrodeNamer(const std::string& positionWord);

// Warnings for electrodes beyond the horizontal extent of the model (the
// smallest and largest xp of the outlines), and for electrodes nearer to an
// end than `largestSpacing` (edge effects). Each warning names the first
// such electrode and how many more there are.
void checkElectrodeExtent(const ModelGeometry& m, const std::vector<ElectrodePoint>& electrodes,
                          float largestSpacing, const std::string& surveyFile, const ElectrodeName& name,
                          Findings& out);

// A warning naming the first of `failed` (when there is one): the body
// lookup of these current electrodes finds no body, so they take `fallback`.
void reportFailedLookups(const std::vector<ElectrodePoint>& failed, const std::string& surveyFile,
                         const ElectrodeName& name, const std::string& fallback, Findings& out);

}  // namespace common
