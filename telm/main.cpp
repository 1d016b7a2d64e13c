// telm: 2D DC/IP resistivity forward modelling with line sources.
#include <iostream>

#include "telm/program.h"

int main() { return telm::runProgram(std::cout, std::cerr); }
