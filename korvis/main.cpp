// korvis: 2.5D DC and IP resistivity modelling of point electrodes over a
// two-dimensional earth. Works in the current directory; no arguments.
#include <iostream>

#include "korvis/program.h"

int main() { return korvis::runProgram(std::cout, std::cerr); }
