// Fit and rounding of the contrast coefficients in varga.xy. The field's
// text is made by the same edit-format writer as the file, so "does not fit"
// means exactly "would be asterisks", and the rounded value is the one
// korvis reads back.
#include "telm/contrast_fields.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "common/edit_format.h"
#include "common/record_reader.h"
#include "common/shown_value.h"

namespace telm {

namespace {

constexpr int fieldWidth = 14;
constexpr int fieldDecimals = 9;
// Rounding below this share of 2/Ro(1) moves the results of the survey
// example by about 3e-5 of their value at most.
constexpr double negligibleRounding = 1e-6;

std::string field(float value) { return common::fixedField(static_cast<double>(value), fieldWidth, fieldDecimals); }

// How far the field's text lies from the value.
double roundingError(float value) {
  return std::fabs(std::strtod(field(value).c_str(), nullptr) - static_cast<double>(value));
}

std::string trimmed(const std::string& text) { return text.substr(text.find_first_not_of(' ')); }

std::string bodyName(const TelmState& st, int body, const char* resistivity,
                     const std::vector<float>& values) {
  if (body == airBody) return "the air";
  const std::string name = body > st.model.nT ? "the outside region" : "body " + std::to_string(body);
  return name + " (" + resistivity + " = " + common::shownValue(values[static_cast<std::size_t>(body - 1)]) + ")";
}

std::string interfaceName(const TelmState& st, int node, bool ip) {
  const Edge& edge = st.edgeTable[static_cast<std::size_t>(st.nodeEdge[static_cast<std::size_t>(node)])];
  const char* resistivity = ip ? "RO_IP" : "Ro";
  const auto& values = ip ? st.model.RO_IP : st.model.Ro;
  return "the interface between " + bodyName(st, edge.bodyIn, resistivity, values) + " and " +
         bodyName(st, edge.bodyOut, resistivity, values);
}

[[noreturn]] void tooLarge(const TelmState& st, int node, bool ip, float value) {
  const std::string name = ip ? "qIP" : "q";
  const std::string reference = ip ? "RO_IP(1)" : "Ro(1)";
  const float r0 = ip ? st.model.RO_IP[0] : st.model.Ro[0];
  throw common::InputError(
      st.modelFileName + ": " + interfaceName(st, node, ip) + " has " + name + " = " +
      common::shownValue(value) + ", too large for the " + std::to_string(fieldWidth) +
      " columns of varga.xy (-999.999999999 to 9999.999999999): " + name + " = 2(Ra - Rb)/((Ra + Rb) " +
      reference + ")" + (ip ? ", from the polarised resistivities RO_IP = Ro/(1 - 0.01 eta)," : "") +
      " grows as the reference resistivity " + reference + " = " + common::shownValue(r0) +
      " shrinks; scale every resistivity up (the apparent resistivities scale with them) or number a "
      "body of larger resistivity 1");
}

std::string percent(double fraction) {
  std::ostringstream s;
  s.precision(2);
  s << 100.0 * fraction;
  return s.str();
}

}  // namespace

void checkContrastFields(const TelmState& st, bool surveyMode, std::ostream& warnings) {
  const auto& nodes = st.nodes;
  int rounded = 0;
  double worst = 0.0;
  int worstNode = 0;
  bool worstIP = false;
  for (int i = 0; i < nodes.N; ++i) {
    const std::size_t n = static_cast<std::size_t>(i);
    bool movedHere = false;
    for (const bool ip : {false, true}) {
      const float value = ip ? nodes.qIP[n] : nodes.q[n];
      const std::string text = field(value);
      if (text.find('*') != std::string::npos) tooLarge(st, i, ip, value);
      if (ip && st.keyIP == 0) continue;
      if (value == 0.0f) continue;
      // Rounding that is small against the largest coefficient any
      // interface can have, 2/Ro(1), cannot move the results, however weak
      // this interface's own contrast.
      const double r0 = static_cast<double>(ip ? st.model.RO_IP[0] : st.model.Ro[0]);
      const double error = roundingError(value);
      const double relative = error / std::fabs(static_cast<double>(value));
      if (relative <= contrastRoundingLimit || error <= negligibleRounding * 2.0 / std::fabs(r0)) continue;
      movedHere = true;
      if (relative > worst) {
        worst = relative;
        worstNode = i;
        worstIP = ip;
      }
    }
    if (movedHere) ++rounded;
  }
  if (rounded == 0) return;
  const std::size_t w = static_cast<std::size_t>(worstNode);
  const float value = worstIP ? nodes.qIP[w] : nodes.q[w];
  warnings << "telm: warning: varga.xy: its " << fieldDecimals << " decimals round q or qIP of " << rounded
           << (rounded == 1 ? " node" : " nodes") << " by more than 1e-5 of their value, by up to "
           << percent(worst) << " % (" << (worstIP ? "qIP" : "q") << " = " << common::shownValue(value) << " of "
           << interfaceName(st, worstNode, worstIP) << ", written " << trimmed(field(value)) << "); "
           << (surveyMode ? "korvis --survey recomputes them exactly from the bodies' resistivities"
                          : "the fixed kinds of korvis compute with the rounded values; to avoid that, "
                            "scale every resistivity down (the apparent resistivities scale with them)")
           << "\n";
}

}  // namespace telm
