// Writers of the half-Schlumberger profile files and exchange files. Data
// lines are free-format records; the exchange headers are fixed layouts.
#include "korvis/result_files.h"

#include <string>

#include "common/edit_format.h"
#include "common/free_format.h"

namespace korvis {

namespace {

std::string freeLine(std::string_view text) {
  return (common::FreeRecord(common::FreeStyle::korvis) << text).str();
}

std::string dataLine(float x, float r, float v) {
  return (common::FreeRecord(common::FreeStyle::korvis) << x << r << v).str();
}

std::string indexLine(int t, int k, float v) {
  return (common::FreeRecord(common::FreeStyle::korvis) << t << ", " << k << ", " << v << ", ")
      .str();
}

float cell(const float* grid, int nPos, int row, int column) {
  return grid[(row - 1) + (column - 1) * nPos];
}

void rs2Header(common::OutputFile& file, float dX, float X0, const char* array) {
  file << common::formatLine("('/ SPACING        : ',F7.2)", {dX});
  file << common::formatLine("('/ LEFT ELECTRODE : ',F7.2)", {X0});
  file << "/ ARRAY          : " << array << "\n";
  file << freeLine("TX index, RX index, app. resistivity");
}

}  // namespace

void writeProfileTables(float dX, float X0, int nPos, const float* Spac, int nSpac,
                        const float* forward, const float* reverse, int mode,
                        std::vector<common::OutputFile>& files) {
  const bool ip = mode == 1;
  common::OutputFile ahead(ip ? aheadIpName : aheadName);
  ahead << freeLine(ip ? "X R IP_app(AMN)" : "X R Rho_app(AMN)");
  for (int i = 2; i <= nPos - 2; ++i) {
    for (int j = 1; j <= nSpac && i - j >= 1; ++j) {
      const float x = (static_cast<float>(i) - 0.5f) * dX + X0;
      ahead << dataLine(x, -Spac[j - 1], cell(forward, nPos, i - j, j));
    }
  }
  files.push_back(std::move(ahead));

  common::OutputFile behind(ip ? behindIpName : behindName);
  behind << freeLine(ip ? "X R IP_app(MNB)" : "X R Rho_app(MNB)");
  for (int g = 3; g <= nPos - 1; ++g) {
    for (int j = 1; j <= nSpac && g + j <= nPos; ++j) {
      const float x = (static_cast<float>(g) - 1.5f) * dX + X0;
      behind << dataLine(x, -Spac[j - 1], cell(reverse, nPos, g + j, j));
    }
  }
  files.push_back(std::move(behind));
}

void writeRs2Files(float dX, float X0, int nPos, int nSpac, const float* forward,
                   const float* reverse, std::vector<common::OutputFile>& files) {
  common::OutputFile ahead(forwardRs2Name);
  rs2Header(ahead, dX, X0, "forward half Schlumberger");
  for (int t = 1; t <= nPos - 2; ++t) {
    for (int k = 1; k <= nSpac && t + k <= nPos - 1; ++k) {
      ahead << indexLine(t, k, cell(forward, nPos, t, k));
    }
  }
  files.push_back(std::move(ahead));

  common::OutputFile behind(reverseRs2Name);
  rs2Header(behind, dX, X0, "reverce half Schlumberger");
  for (int t = 1; t <= nPos - 2; ++t) {
    for (int k = 1; k <= nSpac && t + k <= nPos - 1; ++k) {
      behind << indexLine(t, k, cell(reverse, nPos, t + k + 1, k));
    }
  }
  files.push_back(std::move(behind));
}

std::vector<std::string> resultFileNames(int keyArr, bool ip) {
  std::vector<std::string> names{logName};
  if (keyArr != 18) return names;
  names.insert(names.end(), {aheadName, behindName});
  if (ip) names.insert(names.end(), {aheadIpName, behindIpName});
  names.insert(names.end(), {forwardRs2Name, reverseRs2Name});
  return names;
}

}  // namespace korvis
