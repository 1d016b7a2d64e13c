// SVG text assembly. The builder only appends strings; nothing is buffered
// beyond the document body, so a picture costs one string of its own size.
#include "section/svg.h"

#include <cmath>
#include <cstdio>

namespace section {

SvgDocument::SvgDocument(double width, double height) : width_(width), height_(height) {}

void SvgDocument::start(std::string_view name, std::initializer_list<Attribute> attributes) {
  body_ += '<';
  body_ += name;
  for (const auto& [key, value] : attributes) {
    body_ += ' ';
    body_ += key;
    body_ += "=\"";
    body_ += escapeXml(value);
    body_ += '"';
  }
}

void SvgDocument::add(std::string_view name, std::initializer_list<Attribute> attributes,
                      std::string_view text) {
  start(name, attributes);
  if (text.empty()) {
    body_ += "/>\n";
    return;
  }
  body_ += '>';
  body_ += escapeXml(text);
  body_ += "</";
  body_ += name;
  body_ += ">\n";
}

void SvgDocument::open(std::string_view name, std::initializer_list<Attribute> attributes) {
  start(name, attributes);
  body_ += ">\n";
}

void SvgDocument::close(std::string_view name) {
  body_ += "</";
  body_ += name;
  body_ += ">\n";
}

std::string SvgDocument::str() const {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width_) + "\" height=\"" +
         num(height_) + "\" viewBox=\"0 0 " + num(width_) + ' ' + num(height_) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n" +
         "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" + body_ + "</svg>\n";
}

std::string escapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        // Control characters are not allowed in XML 1.0; titles copied from
        // input files may carry them.
        out += (static_cast<unsigned char>(c) < 0x20 && c != '\t') ? ' ' : c;
    }
  }
  return out;
}

namespace {

std::string trimZeros(std::string s) {
  if (s.find('.') == std::string::npos) return s;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

std::string num(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", value);
  std::string s = trimZeros(buffer);
  return s == "-0" ? "0" : s;
}

std::string formatLabel(double value) {
  if (!std::isfinite(value)) return "no value";
  const double magnitude = std::fabs(value);
  char buffer[64];
  if (magnitude != 0.0 && (magnitude >= 1e6 || magnitude < 1e-3)) {
    std::snprintf(buffer, sizeof buffer, "%.3e", value);
    return buffer;
  }
  const int digitsBeforePoint = magnitude < 1.0 ? 0 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
  const int leadingZeros = magnitude < 1.0 && magnitude > 0.0
                               ? -static_cast<int>(std::floor(std::log10(magnitude))) - 1
                               : 0;
  const int decimals = digitsBeforePoint >= 4 ? 0 : 4 - digitsBeforePoint + leadingZeros;
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string s = trimZeros(buffer);
  return s == "-0" ? "0" : s;
}

}  // namespace section
