// Export of one solved source configuration to qz.bin, a text file (despite
// its name) read by the separate current-flow program KESSARO: node count and
// resistivity of body 1, the two current electrodes with the resistivity
// around them (or the normal field for the magnetic-field array), then every
// node with its charge density.
#pragma once

#include <ostream>
#include <string>

#include "telm/system2d.h"
#include "telm/telm_state.h"

namespace telm {

inline constexpr int qzExportKeyRun = 2;  // the run key that asks for the export
inline constexpr const char* qzFileName = "qz.bin";

// The n + 3 lines of qz.bin: free-format records "n rho1", "rhoA XA ZA" (for
// the magnetic-field array "-1 Bx Bz" from the A slots), "rhoB XB ZB", then
// per node "(2(F12.5,1X),E15.5,1X,E15.5,1X,2(1X,F10.7))" with x, z,
// chargeDensity, dL, xn, zn.
std::string qzText(const Nodes& nodes, const float* chargeDensity, float rho1,
                   const SourceMedium& medium, const Electrodes& e, int arrayKind);

// When st.keyRun = 2: replaces qz.bin in `directory` ("" for the working
// directory) with qzText, prints "   File for KESSARO program is saved." as a
// free-format record and sets st.keyRun = 0, so a run exports once. Throws
// common::OutputError when the file cannot be written.
void exportQz(TelmState& st, const float* chargeDensity, float rho1, const SourceMedium& medium,
              const Electrodes& e, int arrayKind, const std::string& directory,
              std::ostream& console);

}  // namespace telm
