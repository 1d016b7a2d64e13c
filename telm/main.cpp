// telm: 2D DC/IP resistivity forward modelling with line sources. Without
// arguments it runs the model of "filename"; with --survey FILE the mesh
// preparation takes its electrodes from a survey file.
#include <iostream>
#include <string>

#include "telm/program.h"

int main(int argc, char** argv) {
  if (argc <= 1) return telm::runProgram(std::cout, std::cerr);
  const std::string option = argv[1];
  if (argc == 3 && option == "--survey" && argv[2][0] != '\0') {
    return telm::runProgram(std::cout, std::cerr, argv[2]);
  }
  std::cerr << "telm: unknown arguments\n"
               "usage: telm                  (the model of \"filename\")\n"
               "       telm --survey FILE    (mesh preparation around the electrodes of FILE)\n";
  return 2;
}
