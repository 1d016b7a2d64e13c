// Edit-descriptor line writer: parses a layout once into a tree of items
// (kept in a per-thread cache, since layouts are string literals used in hot
// output loops) and runs the values through it with the usual rules for
// record ends, repeat groups and format reversion.
#include "common/edit_format.h"

#include <cmath>
#include <functional>
#include <stdexcept>
#include <unordered_map>

#include "common/decimal_digits.h"

namespace common {

namespace {

enum class Kind { integer, fixed, exponent, text, blanks, literal, newline, noAdvance, group };

struct Item {
  Kind kind = Kind::literal;
  int repeat = 1;
  int width = 0;  // 0 for A without a width
  int decimals = 0;
  std::string literal;
  std::vector<Item> children;
};

struct Layout {
  std::vector<Item> items;
  std::size_t reversion = 0;  // top-level item where a reverted pass resumes
};

[[noreturn]] void badLayout(std::string_view layout, const char* what) {
  throw std::invalid_argument("layout \"" + std::string(layout) + "\": " + what);
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  Layout parse() {
    Layout layout;
    skipBlanks();
    if (!take('(')) badLayout(text_, "expected '('");
    layout.items = parseList();
    skipBlanks();
    if (pos_ != text_.size()) badLayout(text_, "text after the closing ')'");
    for (std::size_t i = 0; i < layout.items.size(); ++i) {
      if (layout.items[i].kind == Kind::group) layout.reversion = i;
    }
    return layout;
  }

 private:
  void skipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  bool take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  char peekUpper() const {
    if (pos_ >= text_.size()) return '\0';
    const char c = text_[pos_];
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  // Reads an unsigned number, or returns -1 when none is there.
  int number() {
    skipBlanks();
    if (pos_ >= text_.size() || text_[pos_] < '0' || text_[pos_] > '9') return -1;
    int value = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_++] - '0');
      if (value > 100000) badLayout(text_, "number too large");
    }
    return value;
  }

  std::vector<Item> parseList() {
    std::vector<Item> items;
    for (;;) {
      skipBlanks();
      if (pos_ >= text_.size()) badLayout(text_, "missing ')'");
      const char c = text_[pos_];
      if (c == ')') {
        ++pos_;
        return items;
      }
      if (c == ',') {
        ++pos_;
        continue;
      }
      items.push_back(parseItem());
    }
  }

  Item parseItem() {
    Item item;
    const char c = text_[pos_];
    if (c == '\'' || c == '"') {
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size()) badLayout(text_, "unterminated literal");
        if (text_[pos_] == c) {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == c) {
            item.literal += c;
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        item.literal += text_[pos_++];
      }
      return item;
    }
    if (take('\\')) {
      item.kind = Kind::noAdvance;
      return item;
    }
    const int count = number();
    skipBlanks();
    if (count == 0) badLayout(text_, "zero repeat count");
    if (count > 0) item.repeat = count;
    if (take('/')) {
      item.kind = Kind::newline;
      return item;
    }
    if (take('(')) {
      item.kind = Kind::group;
      item.children = parseList();
      return item;
    }
    const char letter = peekUpper();
    ++pos_;
    switch (letter) {
      case 'X':
        item.kind = Kind::blanks;
        return item;
      case 'I':
        item.kind = Kind::integer;
        item.width = number();
        if (item.width < 1) badLayout(text_, "I needs a width");
        return item;
      case 'F':
      case 'E':
        item.kind = letter == 'F' ? Kind::fixed : Kind::exponent;
        item.width = number();
        if (item.width < 1 || !take('.')) badLayout(text_, "F and E need a width and decimals");
        item.decimals = number();
        if (item.decimals < 0 || (item.kind == Kind::exponent && item.decimals < 1)) {
          badLayout(text_, "bad number of decimals");
        }
        return item;
      case 'A':
        item.kind = Kind::text;
        item.width = number();
        if (item.width < 0) item.width = 0;
        return item;
      default:
        badLayout(text_, "unknown edit descriptor");
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

struct LayoutHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

const Layout& cachedLayout(std::string_view text) {
  // Layouts are literals of the programs, so the cache stays small; the
  // bound only protects against a caller that builds layouts on the fly.
  thread_local std::unordered_map<std::string, Layout, LayoutHash, std::equal_to<>> cache;
  if (auto it = cache.find(text); it != cache.end()) return it->second;
  if (cache.size() >= 256) cache.clear();
  return cache.emplace(std::string(text), Parser(text).parse()).first->second;
}

std::string asterisks(int width) { return std::string(static_cast<std::size_t>(width), '*'); }

std::string fitted(const std::string& text, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (text.size() > w) return asterisks(width);
  return std::string(w - text.size(), ' ') + text;
}

std::string nonFinite(double value, int width) {
  if (std::isnan(value)) return fitted("NaN", width);
  const std::string sign = value < 0 ? "-" : "";
  const std::string full = sign + "Infinity";
  return fitted(full.size() <= static_cast<std::size_t>(width) ? full : sign + "Inf", width);
}

class Writer {
 public:
  Writer(std::string_view layout, const std::vector<FormatValue>& values) : layout_(layout), values_(values) {}

  std::string run(const Layout& layout) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t before = next_;
      for (std::size_t i = start; i < layout.items.size() && !stopped_; ++i) execute(layout.items[i]);
      if (stopped_ || next_ == values_.size()) break;
      if (next_ == before) badLayout(layout_, "values left but no descriptor takes them");
      out_ += '\n';
      noAdvance_ = false;
      start = layout.reversion;
    }
    if (!noAdvance_) out_ += '\n';
    return std::move(out_);
  }

 private:
  void execute(const Item& item) {
    for (int r = 0; r < item.repeat && !stopped_; ++r) {
      switch (item.kind) {
        case Kind::group:
          for (const Item& child : item.children) {
            execute(child);
            if (stopped_) return;
          }
          break;
        case Kind::blanks:
          out_ += ' ';
          break;
        case Kind::literal:
          out_ += item.literal;
          break;
        case Kind::newline:
          out_ += '\n';
          noAdvance_ = false;
          break;
        case Kind::noAdvance:
          noAdvance_ = true;
          break;
        default:
          if (next_ == values_.size()) {
            stopped_ = true;
            return;
          }
          out_ += field(item, values_[next_++]);
      }
    }
  }

  std::string field(const Item& item, const FormatValue& value) const {
    if (item.kind == Kind::integer) {
      if (const int* v = std::get_if<int>(&value)) return integerField(*v, item.width);
      badLayout(layout_, "I needs an integer value");
    }
    if (item.kind == Kind::text) {
      const std::string* s = std::get_if<std::string>(&value);
      if (s == nullptr) badLayout(layout_, "A needs a text value");
      const auto w = static_cast<std::size_t>(item.width);
      if (w == 0) return *s;
      if (s->size() >= w) return s->substr(0, w);
      return std::string(w - s->size(), ' ') + *s;
    }
    double real = 0.0;
    if (const float* f = std::get_if<float>(&value)) {
      real = static_cast<double>(*f);
    } else if (const double* d = std::get_if<double>(&value)) {
      real = *d;
    } else {
      badLayout(layout_, "F and E need a real value");
    }
    return item.kind == Kind::fixed ? fixedField(real, item.width, item.decimals)
                                    : exponentField(real, item.width, item.decimals);
  }

  std::string_view layout_;
  const std::vector<FormatValue>& values_;
  std::size_t next_ = 0;
  std::string out_;
  bool stopped_ = false;
  bool noAdvance_ = false;
};

}  // namespace

std::string integerField(long long value, int width) { return fitted(std::to_string(value), width); }

std::string fixedField(double value, int width, int decimals) {
  if (!std::isfinite(value)) return nonFinite(value, width);
  const ExactDecimal exact = exactDecimal(value);
  const FixedDigits f = roundFixed(exact, decimals);
  const std::string sign = exact.negative ? "-" : "";
  const std::string tail = "." + f.fraction;
  if (!f.integer.empty()) return fitted(sign + f.integer + tail, width);
  const std::string withZero = sign + "0" + tail;
  if (withZero.size() <= static_cast<std::size_t>(width)) return fitted(withZero, width);
  return fitted(sign + tail, width);
}

std::string exponentField(double value, int width, int decimals) {
  if (!std::isfinite(value)) return nonFinite(value, width);
  const ExactDecimal exact = exactDecimal(value);
  const SignificantDigits r = roundSignificant(exact, decimals);
  const int exponent = exact.digits.empty() ? 0 : r.exponent;
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude > 999) return asterisks(width);
  std::string expText = magnitude > 99 ? "" : "E";
  expText += exponent < 0 ? '-' : '+';
  if (magnitude < 10) expText += '0';
  expText += std::to_string(magnitude);
  const std::string sign = exact.negative ? "-" : "";
  const std::string tail = "." + r.digits + expText;
  const std::string withZero = sign + "0" + tail;
  if (withZero.size() <= static_cast<std::size_t>(width)) return fitted(withZero, width);
  return fitted(sign + tail, width);
}

std::string formatLine(std::string_view layout, const std::vector<FormatValue>& values) {
  return Writer(layout, values).run(cachedLayout(layout));
}

}  // namespace common
