// Tables of korvis.txt, rendered through edit-descriptor layouts. The layouts
// end in a repeated group so that long rows continue on further lines with
// the values alone, ten per line.
#include "korvis/log_file.h"

#include <vector>

#include "common/edit_format.h"

namespace korvis {

namespace {

float axisValue(float start, float step, int p) { return start + static_cast<float>(p) * step; }

const char* title(int flag) {
  return flag == 1 ? "*****   APP.CHARGEABILITY   *****" : "*****   APP.RESISTIVITY   *****";
}

}  // namespace

std::string ordinaryTable(float step, float start, int nPos, const float* Spac, int nSpac,
                          const float* grid, int flag) {
  std::string text = std::string(10, ' ') + title(flag) + "\n";
  std::vector<common::FormatValue> values;
  values.reserve(static_cast<std::size_t>(nPos) + 1);
  for (int p = 0; p < nPos; ++p) values.emplace_back(axisValue(start, step, p));
  text += common::formatLine("(2X,'SPACE ',2X,10(F7.1))", values);
  text += "  " + std::string(70, '-') + "\n";
  for (int j = 0; j < nSpac; ++j) {
    values.clear();
    values.emplace_back(Spac[j]);
    for (int p = 0; p < nPos; ++p) values.emplace_back(grid[p + j * nPos]);
    text += common::formatLine("(3X,F9.3,3X,10(F9.3,1X))", values);
  }
  return text;
}

std::string gradientTable(float step, float start, int nPos, const float* grid, int flag) {
  std::string text = std::string(title(flag)) + "\n";
  text += flag == 1 ? "point   Eta\n" : "point   Rok\n";
  for (int p = 0; p < nPos; ++p) {
    text += common::formatLine("(F10.5,2X,F15.7)", {axisValue(start, step, p), grid[p]});
  }
  return text;
}

std::string electricFieldTable(float dX, float X0, float dZ, float Z0, int nPos, const float* grid) {
  std::string text = "Electrical field\n    X        Y       E_mn\n";
  for (int p = 0; p < nPos; ++p) {
    text += common::formatLine("(F10.4,2X,F10.4,2X,E10.4,2X)",
                               {axisValue(X0, dX, p), axisValue(Z0, dZ, p), grid[p]});
  }
  return text;
}

}  // namespace korvis
