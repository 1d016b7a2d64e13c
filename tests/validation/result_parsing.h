// Readers of the result files: the tables of korvis.txt, the array files of
// telm and its magnetic-field table. A field that does not hold a number
// (asterisks of an overflowing field) is read as NaN, so that it fails every
// comparison.
#pragma once

#include <string>
#include <vector>

namespace validation {

enum class TableKind { ordinary, gradient, electricField };

struct KorvisTable {
  TableKind kind = TableKind::ordinary;
  bool chargeability = false;   // APP.CHARGEABILITY rather than APP.RESISTIVITY
  std::vector<double> spacings;  // ordinary tables only
  // value[j][p]: spacing j, position p (gradient and field tables: j = 0 only).
  std::vector<std::vector<double>> value;
  std::vector<double> positions;  // gradient and field tables: the first column
};

// Every table of korvis.txt in file order. `nPos` and `nSpac` are those of
// the run (1 spacing for kinds 17 and 19).
std::vector<KorvisTable> parseKorvisLog(const std::string& text, int nPos, int nSpac);

struct TelmArrayFile {
  int stationCount = 0, keyIP = 0, spacingCount = 0;
  std::string letter;
  std::vector<double> stationX;
  std::vector<std::vector<double>> rho, eta;  // [station][spacing]
};

// A telm result file of kinds 1 to 11, or of kind 12 when `poleDipole`.
TelmArrayFile parseTelmArrayFile(const std::string& text, bool poleDipole);

struct MagneticRow {
  double x, z, hx, hz, dZ;
};
std::vector<MagneticRow> parseMagneticFile(const std::string& text);

// Free-format lists of numbers with one header line (A_MN.txt, MN_B.txt):
// every data line as its numbers.
std::vector<std::vector<double>> parseNumberLines(const std::string& text, int headerLines);

// The node count N of a varga.xy file (-1 when it has none).
int nodeCount(const std::string& vargaXy);

}  // namespace validation
