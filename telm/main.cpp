// telm: 2D DC/IP resistivity forward modelling with line sources. Without
// arguments it runs the model of "filename"; with --survey FILE the mesh
// preparation takes its electrodes from a survey file, with
// --graded-corners it grades the mesh toward the corners.
#include <iostream>
#include <optional>

#include "common/command_line.h"
#include "common/exit_codes.h"
#include "telm/command_options.h"
#include "telm/program.h"

int main(int argc, char** argv) {
  const common::CommandLine line = common::parseCommandLine(
      argc, argv, telm::programHelp(), telm::commandOptions(), std::cout, std::cerr);
  if (!line.run) return line.status;
  telm::MeshOptions options;
  if (line.has("--survey")) options.surveyPath = line.value("--survey");
  options.gradedCorners = line.has("--graded-corners");
  options.estimateError = line.has("--estimate-error");
  options.drape = line.has("--drape");
  if (options.drape && !line.has("--survey")) {
    std::cerr << "telm: --drape goes with --survey; see telm --help\n";
    return common::exitBadInput;
  }
  options.depthMesh = line.has("--depth-mesh");
  if (options.depthMesh && !line.has("--survey")) {
    std::cerr << "telm: --depth-mesh goes with --survey; see telm --help\n";
    return common::exitBadInput;
  }
  if (options.estimateError && !line.has("--survey")) {
    std::cerr << "telm: --estimate-error goes with --survey; see telm --help\n";
    return common::exitBadInput;
  }
  if (line.has("--mirror-above")) {
    const std::optional<double> metres = common::parseMirrorDistance(line.value("--mirror-above"));
    if (!line.has("--survey") || !metres) {
      std::cerr << "telm: --mirror-above takes a distance in metres (0 or more) and goes with --survey; see telm --help\n";
      return common::exitBadInput;
    }
    options.mirrorAbove = static_cast<float>(*metres);
  }
  return telm::runProgram(std::cout, std::cerr, options);
}
