// The catalogue of inputs: which files section understands, the pictures each
// one yields (named after the source) and their rendering to SVG text.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "section/draw_options.h"
#include "section/model_picture.h"
#include "section/profile_chart.h"
#include "section/pseudosection.h"

namespace section {

struct Picture {
  std::string name;  // SVG file name, without folder
  std::variant<Pseudosection, Profile, ModelDrawing> content;
};

enum class InputKind { none, telmArray, telmMagnetic, korvisLog, pointList, model, surveyData };

// The kind of a file by its name. Folder scans take only the names the
// programs write (survey data: *-data.*, korvis's default output name); a
// file named explicitly is also recognised by its pattern (*.dat, *.xy,
// korvis*.txt, other *.txt, *.ohm), so renamed copies still work. A *.dat
// or *.txt file other than the programs' own names that reads like survey
// data is drawn as survey data.
InputKind inputKindOf(std::string_view fileName, bool exactNamesOnly);

// The pictures of one input file; throws common::InputError.
std::vector<Picture> picturesOf(const std::string& path, InputKind kind, const DrawOptions& options = {});

std::string renderPicture(const Picture& picture);

}  // namespace section
