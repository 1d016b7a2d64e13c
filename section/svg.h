// A minimal SVG document builder: elements are appended in drawing order,
// every attribute value and text is escaped, and numbers are written with at
// most two decimals so that the pictures stay small and diff-friendly.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace section {

using Attribute = std::pair<std::string_view, std::string>;

class SvgDocument {
 public:
  SvgDocument(double width, double height);

  // One element; with `text` it gets content and a closing tag.
  void add(std::string_view name, std::initializer_list<Attribute> attributes,
           std::string_view text = {});
  // Container elements (<g>, <clipPath>, <linearGradient> ...).
  void open(std::string_view name, std::initializer_list<Attribute> attributes);
  void close(std::string_view name);

  // The whole document, closing the root element.
  std::string str() const;

 private:
  void start(std::string_view name, std::initializer_list<Attribute> attributes);
  std::string body_;
  double width_, height_;
};

std::string escapeXml(std::string_view text);
// Coordinates: fixed with two decimals, trailing zeros dropped, no "-0".
std::string num(double value);
// Values shown to the reader: four significant digits, exponent form only
// for very large or very small magnitudes.
std::string formatLabel(double value);

}  // namespace section
