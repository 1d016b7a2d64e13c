// korvis: 2.5D DC and IP resistivity modelling of point electrodes over a
// two-dimensional earth. Works in the current directory; without arguments
// it runs the survey of varga.arr, with --survey FILE a survey file.
#include <iostream>

#include "common/command_line.h"
#include "korvis/command_options.h"
#include "korvis/program.h"
#include "korvis/survey_options.h"

int main(int argc, char** argv) {
  const common::CommandLine line = common::parseCommandLine(
      argc, argv, korvis::programHelp(), korvis::commandOptions(), std::cout, std::cerr);
  if (!line.run) return line.status;
  if (line.values.empty()) return korvis::runProgram(std::cout, std::cerr);
  return korvis::runWithOptions(line, std::cout, std::cerr);
}
