// What `telm --help` says, and the options telm takes besides --help and
// --version: --survey, the mesh preparation around a survey file's
// electrodes, and --graded-corners.
#include "telm/command_options.h"

#include <string>

namespace telm {

const common::ProgramHelp& programHelp() {
  static const common::ProgramHelp help{
      "telm",
      "[OPTION]...",
      "2D DC/IP resistivity modelling with line sources, in the current folder.\n"
      "Reads   filename      whose first line names the model file\n"
      "        the model     bodies, vertices, keyRun and the survey\n"
      "        varga.arr     only with keyRun = -1 (the survey korvis will model)\n"
      "Writes  keyRun = -1:  varga.xy, the mesh for korvis\n"
      "        keyRun = 1:   XZ.txt, the node listing (exit status 200)\n"
      "        otherwise:    one result file per array kind (amnb_01.dat ...\n"
      "                      a_mn_b12.dat, magn13.dat, AB_MN_pr.txt), with\n"
      "                      keyRun = 2 also qz.bin\n"
      "Without options it does the job these files describe. The model is\n"
      "checked before any work: errors stop the run, warnings go to standard\n"
      "error and change nothing.\n",
      "Exit status: 0 done; 2 bad input, a failed model check or a usage error\n"
      "(nothing written, earlier results kept); 1 not enough memory; 3 the\n"
      "system has a zero pivot; 4 a result file could not be written; 100,\n"
      "199, 200 coded stops.\n"
      "User guide: " + std::string(common::userGuidePath()) + "\n"};
  return help;
}

const std::vector<common::OptionRow>& commandOptions() {
  static const std::vector<common::OptionRow> rows{
      {"--survey", "FILE",
       "with keyRun = -1: take the electrodes from FILE\n"
       "(unified data format) instead of varga.arr and\n"
       "refine the mesh around each of them; the mesh is\n"
       "graded toward the corners as with --graded-corners"},
      {"--estimate-error", "",
       "with --survey: also write varga-fine.xy, the same\n"
       "mesh at twice dens, for korvis --estimate-error"},
      {"--depth-mesh", "",
       "with --survey: size the interfaces by their depth\n"
       "alone, as the fixed surveys do, not also by their\n"
       "distance to the survey's electrodes (more nodes)"},
      {"--drape", "",
       "with --survey over relief: place every electrode\n"
       "above the ground surface, or at z = 0, on it"},
      {"--mirror-above", "METRES",
       "with --survey: a check of the relief formulation;\n"
       "mirror the sources this far above the ground\n"
       "surface's highest point (korvis takes the same)"},
      {"--graded-corners", "",
       "grade the elements toward every corner and junction\n"
       "of the interfaces: more nodes, the charges of the\n"
       "corners resolved (telm's results and varga.xy)"},
  };
  return rows;
}

}  // namespace telm
