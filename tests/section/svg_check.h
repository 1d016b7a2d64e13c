// Test support: a small XML checker for the pictures (balanced tags, quoted
// attributes, known entities only) that also lists the parsed elements, and a
// temporary folder for hand-written input files.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace section_test {

struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;
};

struct XmlDocument {
  std::string error;  // empty when the document is well-formed
  std::vector<XmlElement> elements;

  std::size_t count(const std::string& name, const std::string& cls = {}) const {
    std::size_t n = 0;
    for (const auto& e : elements) {
      if (e.name == name && (cls.empty() || attr(e, "class") == cls)) ++n;
    }
    return n;
  }
  std::vector<std::string> texts(const std::string& cls) const {
    std::vector<std::string> out;
    for (const auto& e : elements) {
      if (attr(e, "class") == cls) out.push_back(e.text);
    }
    return out;
  }
  static std::string attr(const XmlElement& e, const std::string& key) {
    const auto it = e.attributes.find(key);
    return it == e.attributes.end() ? std::string() : it->second;
  }
};

inline bool entitiesValid(const std::string& s) {
  for (std::size_t i = s.find('&'); i != std::string::npos; i = s.find('&', i + 1)) {
    bool known = false;
    for (const char* e : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) known = known || s.compare(i, std::strlen(e), e) == 0;
    if (!known) return false;
  }
  return s.find('<') == std::string::npos;
}

inline XmlDocument parseXml(const std::string& text) {
  XmlDocument doc;
  std::vector<std::size_t> open;  // indices into elements
  std::size_t roots = 0, i = 0;
  auto fail = [&](const std::string& why) {
    doc.error = why + " at offset " + std::to_string(i);
    return doc;
  };
  if (text.starts_with("<?xml")) i = text.find("?>") + 2;
  auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == ':' || c == '_'; };
  while (i < text.size()) {
    const std::size_t lt = text.find('<', i);
    const std::string between = text.substr(i, lt == std::string::npos ? std::string::npos : lt - i);
    if (!entitiesValid(between)) return fail("bad character data");
    if (open.empty() && between.find_first_not_of(" \n") != std::string::npos) return fail("text outside the root");
    if (!open.empty()) doc.elements[open.back()].text += between;
    if (lt == std::string::npos) break;
    i = lt + 1;
    const bool closing = i < text.size() && text[i] == '/';
    if (closing) ++i;
    std::string name;
    while (i < text.size() && isName(text[i])) name += text[i++];
    if (name.empty()) return fail("missing tag name");
    if (closing) {
      if (open.empty() || doc.elements[open.back()].name != name || text[i] != '>') return fail("unbalanced </" + name + ">");
      open.pop_back();
      ++i;
      continue;
    }
    XmlElement e{name, {}, {}};
    for (;;) {
      while (i < text.size() && (text[i] == ' ' || text[i] == '\n')) ++i;
      if (i >= text.size()) return fail("unterminated tag");
      if (text[i] == '>' || text.compare(i, 2, "/>") == 0) break;
      std::string key;
      while (i < text.size() && isName(text[i])) key += text[i++];
      if (key.empty() || text[i] != '=' || (text[i + 1] != '"' && text[i + 1] != '\'')) return fail("unquoted attribute");
      const char quote = text[i + 1];
      const std::size_t end = text.find(quote, i + 2);
      if (end == std::string::npos) return fail("unterminated attribute");
      const std::string value = text.substr(i + 2, end - i - 2);
      if (!entitiesValid(value) || !e.attributes.emplace(key, value).second) return fail("bad attribute " + key);
      i = end + 1;
    }
    if (open.empty() && ++roots > 1) return fail("second root element");
    doc.elements.push_back(std::move(e));
    if (text[i] == '>') open.push_back(doc.elements.size() - 1);
    i += text[i] == '>' ? 1 : 2;
  }
  if (!open.empty()) return fail("unclosed <" + doc.elements[open.back()].name + ">");
  if (roots != 1) return fail("no root element");
  return doc;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() / ("section_test_" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return file(name);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace section_test
