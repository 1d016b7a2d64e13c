// korvis: 2.5D DC and IP resistivity modelling of point electrodes over a
// two-dimensional earth. Works in the current directory; without arguments
// it runs the survey of varga.arr, with --survey FILE a survey file.
#include <iostream>
#include <string>
#include <vector>

#include "korvis/program.h"
#include "korvis/survey_options.h"

int main(int argc, char** argv) {
  if (argc <= 1) return korvis::runProgram(std::cout, std::cerr);
  return korvis::runKorvisWithArguments(std::vector<std::string>(argv + 1, argv + argc),
                                        std::cout, std::cerr);
}
