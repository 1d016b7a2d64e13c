// korvis: 2.5D DC and IP resistivity modelling of point electrodes over a
// two-dimensional earth. Works in the current directory.
#include <iostream>

#include "common/command_line.h"
#include "korvis/command_options.h"
#include "korvis/program.h"

int main(int argc, char** argv) {
  const common::CommandLine line = common::parseCommandLine(
      argc, argv, korvis::programHelp(), korvis::commandOptions(), std::cout, std::cerr);
  if (!line.run) return line.status;
  return korvis::runProgram(std::cout, std::cerr);
}
