#include "scenefile/byte_text.h"

#include "core/printable_text.h"

namespace ombrel::host::scenefile {

std::string EncodeByteText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = Utf8CharLength(text.substr(i), code);
    if (length > 0 && text[i] != '%') {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    const auto byte = static_cast<unsigned char>(text[i++]);
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  }
  return out;
}

std::optional<std::string> DecodeByteText(std::string_view text) {
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = digit(text[i + 1]);
    const int low = digit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

void WriteByteTexts(Json& value) {
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    if (!IsUtf8(text)) value = Json::object({{kBytesKey, EncodeByteText(text)}});
    return;
  }
  // Iterating an object visits its values; keys are the format's own words.
  if (value.is_object() || value.is_array()) {
    for (Json& member : value) WriteByteTexts(member);
  }
}

}  // namespace ombrel::host::scenefile
