// Whole-file reading of the text inputs: the kind of file is looked at
// before it is opened (opening a pipe without a writer would wait forever),
// and the read stops one byte past the bound, whatever size the file claims
// (files under /proc claim none).
#include "common/input_text.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/record_reader.h"

namespace common {

namespace {

// Length of the valid UTF-8 sequence at text[i] that is no control
// character (C1 controls, U+0080 to U+009F, included), or 0.
std::size_t shownSequence(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  if (c >= 0x20 && c < 0x7f) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;  // range of the second byte
  if (c >= 0xc2 && c <= 0xdf) {
    length = 2;
    if (c == 0xc2) low = 0xa0;
  } else if (c >= 0xe0 && c <= 0xef) {
    length = 3;
    if (c == 0xe0) low = 0xa0;
    if (c == 0xed) high = 0x9f;
  } else if (c >= 0xf0 && c <= 0xf4) {
    length = 4;
    if (c == 0xf0) low = 0x90;
    if (c == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) return 0;
  }
  return length;
}

}  // namespace

std::string readInputText(const std::string& path, std::size_t maxBytes, std::string_view what,
                          std::string_view hint) {
  const auto cannotOpen = [&](const std::string& reason) {
    std::string message = path + ": cannot open the file (" + reason + ")";
    if (!hint.empty()) message += "; " + std::string(hint);
    return InputError(message);
  };
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec) throw cannotOpen(ec.message());
  if (!std::filesystem::is_regular_file(status)) {
    throw InputError(path + ": not a regular file (a folder, a device or a pipe): give the path of a file");
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw cannotOpen(std::strerror(errno != 0 ? errno : EIO));
  std::string text;
  constexpr std::size_t chunk = 1 << 16;
  while (in) {
    const std::size_t start = text.size();
    text.resize(start + chunk);
    in.read(text.data() + start, static_cast<std::streamsize>(chunk));
    text.resize(start + static_cast<std::size_t>(in.gcount()));
    if (text.size() > maxBytes) {
      throw InputError(path + ": larger than " + std::to_string(maxBytes) + " bytes, more than any " +
                       std::string(what) + " within the limits: is it the right file?");
    }
  }
  if (in.bad()) throw InputError(path + ": cannot read the file (" + std::strerror(errno != 0 ? errno : EIO) + ")");
  return text;
}

bool nextTextLine(std::string_view text, std::size_t& pos, std::string_view& line) {
  if (pos >= text.size()) return false;
  std::size_t end = text.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) end = text.size();
  line = text.substr(pos, end - pos);
  pos = end;
  if (pos < text.size()) pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
  return true;
}

std::string escapedText(std::string_view text) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t length = shownSequence(text, i); length > 0) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i++]);
    out += "\\x";
    out += hex[c >> 4];
    out += hex[c & 15U];
  }
  return out;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace common
