// What `korvis --help` says, and the options korvis takes besides --help and
// --version: the survey mode (--survey, --out) and the convergent
// wavenumbers for the fixed kinds (--accurate), synthetic noise (--noise,
// --seed).
#include "korvis/command_options.h"

#include <string>

namespace korvis {

const common::ProgramHelp& programHelp() {
  static const common::ProgramHelp help{
      "korvis",
      "[OPTION]...",
      "2.5D DC/IP resistivity modelling with point electrodes, in the current folder.\n"
      "Reads   varga.xy      the mesh, made by telm with keyRun = -1\n"
      "        varga.arr     the survey: profile, electrodes, keyArr, spacings\n"
      "Writes  korvis.txt    log and result tables\n"
      "        keyArr = 18:  also A_MN.txt, MN_B.txt (A_MNip.txt, MN_Bip.txt\n"
      "                      with IP), FORWARD.RS2, REVERSE.RS2\n"
      "With --survey it reads a survey file instead of varga.arr and writes\n"
      "the computed data beside it; korvis.txt is left alone.\n"
      "Without options it models the survey of varga.arr. The model and survey\n"
      "are checked before any work: errors stop the run, warnings go to\n"
      "standard error and change nothing.\n",
      "Exit status: 0 done; 2 bad input, a failed model check or a usage error\n"
      "(nothing written, earlier results kept); 1 not enough memory; 3 the\n"
      "system has a zero pivot or a survey result is not a finite number\n"
      "(nothing written); 4 a result file could not be written (with --out\n"
      "found before any work); 199 too many nodes.\n"
      "User guide: " + std::string(common::userGuidePath()) + "\n"};
  return help;
}

const std::vector<common::OptionRow>& commandOptions() {
  static const std::vector<common::OptionRow> rows{
      {"--survey", "FILE",
       "model the electrodes and A B M N measurements of\n"
       "FILE (unified data format) instead of varga.arr"},
      {"--out", "FILE",
       "with --survey: the result file (default: the\n"
       "survey's name with -data before its extension)"},
      {"--estimate-error", "",
       "with --survey: solve again on varga-fine.xy (telm\n"
       "--survey --estimate-error) and add the columns\n"
       "drhoa and dip, the differences between the meshes"},
      {"--noise", "REL,ABS",
       "with --survey: add Gaussian noise of standard\n"
       "deviation REL*|r| + ABS ohms to r (u and rhoa\n"
       "follow) and write the column err = sd/|r|"},
      {"--seed", "N",
       "with --noise: the seed of the noise (default 0);\n"
       "the same seed gives the same numbers everywhere"},
      {"--drape", "",
       "with --survey over relief: place every electrode\n"
       "above the ground surface, or at z = 0, on it"},
      {"--mirror-above", "METRES",
       "with --survey: a check of the relief formulation;\n"
       "mirror the sources this far above the ground\n"
       "surface's highest point (as telm --mirror-above)"},
      {"--accurate", "",
       "the survey of varga.arr with convergent wavenumbers\n"
       "and a smooth K1; same files and layouts"},
  };
  return rows;
}

}  // namespace korvis
