// qz.bin: the charges of the first solved configuration for KESSARO.
#include "telm/qz_export.h"

#include "common/edit_format.h"
#include "common/free_format.h"
#include "common/output_file.h"
#include "telm/result_files.h"

namespace telm {

std::string qzText(const Nodes& nodes, const float* chargeDensity, float rho1,
                   const SourceMedium& medium, const Electrodes& e, int arrayKind) {
  using common::FreeRecord;
  using common::FreeStyle;
  const int n = nodes.N;
  std::string text = (FreeRecord(FreeStyle::telm) << n << rho1).str();
  if (arrayKind == magneticKind) {
    text += (FreeRecord(FreeStyle::telm) << "-1" << e.XA << e.ZA).str();
  } else {
    text += (FreeRecord(FreeStyle::telm) << medium.rhoA << e.XA << e.ZA).str();
  }
  text += (FreeRecord(FreeStyle::telm) << medium.rhoB << e.XB << e.ZB).str();
  for (int i = 0; i < n; ++i) {
    text += common::formatLine(
        "(2(F12.5,1X),E15.5,1X,E15.5,1X,2(1X,F10.7))",
        {nodes.x[i], nodes.z[i], chargeDensity[i], nodes.dL[i], nodes.xn[i], nodes.zn[i]});
  }
  return text;
}

void exportQz(TelmState& st, const float* chargeDensity, float rho1, const SourceMedium& medium,
              const Electrodes& e, int arrayKind, const std::string& directory,
              std::ostream& console) {
  if (st.keyRun != qzExportKeyRun) return;
  common::writeFileAtomically(pathIn(directory, qzFileName),
                              qzText(st.nodes, chargeDensity, rho1, medium, e, arrayKind));
  console << (common::FreeRecord(common::FreeStyle::telm)
              << "   File for KESSARO program is saved.")
                 .str();
  st.keyRun = 0;
}

}  // namespace telm
