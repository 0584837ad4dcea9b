// Text from files, pipes and command lines shown on a terminal: control bytes and anything that
// is not printable ASCII appear as \xNN, so a hostile input cannot move the cursor, clear the
// screen or retitle the window of the user reading the message.
#ifndef OMBREL_HOST_PRINTABLE_TEXT_H
#define OMBREL_HOST_PRINTABLE_TEXT_H

#include <string>
#include <string_view>

namespace ombrel::host {

// Keeps printable ASCII and, when `keepUtf8` is set, the bytes of multi-byte UTF-8 characters
// (names in scene files may be written in any language) except the C1 controls U+0080 to
// U+009F, which some terminals obey; everything else becomes \xNN.
inline std::string PrintableText(std::string_view text, bool keepUtf8 = false) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto u = static_cast<unsigned char>(text[i]);
    const bool c1Control = u == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                           static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if ((u >= 0x20 && u < 0x7f) || (keepUtf8 && u >= 0x80 && !c1Control)) {
      out += text[i];
    } else {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
      if (c1Control) {
        const auto next = static_cast<unsigned char>(text[++i]);
        out += "\\x";
        out += kHex[next >> 4];
        out += kHex[next & 0xF];
      }
    }
  }
  return out;
}

}  // namespace ombrel::host

#endif
