// Text from files, pipes and command lines shown on a terminal: control bytes and anything that
// is not printable ASCII appear as \xNN, so a hostile input cannot move the cursor, clear the
// screen or retitle the window of the user reading the message.
#ifndef OMBREL_HOST_PRINTABLE_TEXT_H
#define OMBREL_HOST_PRINTABLE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ombrel::host {

// Length of the well-formed UTF-8 character at the start of `text` (no overlong form, no
// surrogate, nothing past U+10FFFF), with its code point in `code`; 0 when there is none.
inline size_t Utf8CharLength(std::string_view text, uint32_t& code) {
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  if (text.empty()) return 0;
  const unsigned char lead = byte(0);
  size_t length = 0;
  code = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3Fu);
  }
  const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

inline bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = Utf8CharLength(text.substr(i), code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// Length of the well-formed UTF-8 character at the start of `text` that is not ASCII nor a C1
// control (U+0080 to U+009F, which some terminals obey); 0 when there is none.
inline size_t PrintableUtf8Length(std::string_view text) {
  uint32_t code = 0;
  const size_t length = Utf8CharLength(text, code);
  return length > 1 && code > 0x9F ? length : 0;
}

// Keeps printable ASCII and, when `keepUtf8` is set, well-formed UTF-8 characters other than
// C1 controls (names in scene files may be written in any language); every other byte becomes
// \xNN.
inline std::string PrintableText(std::string_view text, bool keepUtf8 = false) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (u >= 0x20 && u < 0x7f) {
      out += text[i++];
      continue;
    }
    if (const size_t length = keepUtf8 && u >= 0x80 ? PrintableUtf8Length(text.substr(i)) : 0; length > 0) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    out += "\\x";
    out += kHex[u >> 4];
    out += kHex[u & 0xF];
    ++i;
  }
  return out;
}

// A name inside a message: printable as above, and cut after its first 60 characters (as
// `sample` cuts its input lines), so that a name of megabytes does not flood the terminal.
inline std::string ShownName(std::string_view name) {
  constexpr size_t kMaxCharacters = 60;
  size_t end = 0;
  for (size_t shown = 0; end < name.size() && shown < kMaxCharacters; ++shown) {
    uint32_t code = 0;
    const size_t length = Utf8CharLength(name.substr(end), code);
    end += length > 0 ? length : 1;
  }
  if (end >= name.size()) return PrintableText(name, true);
  return PrintableText(name.substr(0, end), true) + "... (" + std::to_string(name.size()) + " bytes)";
}

}  // namespace ombrel::host

#endif
