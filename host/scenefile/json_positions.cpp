#include "scenefile/json_positions.h"


#include <nlohmann/json.hpp>

namespace ombrel::host::scenefile {

std::string MemberPath(std::string_view parent, std::string_view key) {
  std::string path(parent);
  if (!path.empty()) path += '.';
  path += key;
  return path;
}

std::string ItemPath(std::string_view parent, size_t index) {
  std::string path(parent);
  path += '[';
  path += std::to_string(index);
  path += ']';
  return path;
}

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

class Scanner {
 public:
  Scanner(std::string_view text, std::string_view target) : text_(text), target_(target) {}

  TextPosition Run() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;  // the parser skips a byte-order mark too
    SkipSpace();
    Value("", 0);
    return best_;
  }

 private:
  // Answers false to stop: the target was found or the text ended early.
  bool Value(const std::string& path, int depth) {
    SkipSpace();
    if (i_ >= text_.size()) return false;
    if (!Leads(path)) return Skip(depth);
    best_ = Here();
    if (path.size() == target_.size()) return false;
    const char c = text_[i_];
    if (c == '{') return Object(path, depth + 1);
    if (c == '[') return Array(path, depth + 1);
    return Skip(depth);
  }

  // True when `path` is the target or one of its ancestors.
  bool Leads(std::string_view path) const {
    if (path.size() > target_.size() || target_.substr(0, path.size()) != path) return false;
    if (path.size() == target_.size() || path.empty()) return true;
    const char next = target_[path.size()];
    return next == '.' || next == '[';
  }

  bool Object(const std::string& path, int depth) {
    Advance();  // {
    for (;;) {
      SkipSpace();
      if (Peek() == '}') {
        Advance();
        return true;
      }
      if (Peek() == ',') {
        Advance();
        continue;
      }
      if (Peek() != '"') return false;
      const size_t keyStart = i_;
      if (!SkipString()) return false;
      std::string key;
      try {
        key = nlohmann::json::parse(text_.substr(keyStart, i_ - keyStart)).get<std::string>();
      } catch (const nlohmann::json::exception&) {
        return false;
      }
      SkipSpace();
      if (Peek() != ':') return false;
      Advance();
      if (!Value(MemberPath(path, key), depth)) return false;
    }
  }

  bool Array(const std::string& path, int depth) {
    Advance();  // [
    for (size_t index = 0;; ++index) {
      SkipSpace();
      if (Peek() == ']') {
        Advance();
        return true;
      }
      if (Peek() == ',') {
        Advance();
        SkipSpace();
      }
      if (i_ >= text_.size()) return false;
      if (!Value(ItemPath(path, index), depth)) return false;
    }
  }

  // Steps over one value without looking into it: strings whole, containers by counting
  // brackets outside strings.
  bool Skip(int) {
    SkipSpace();
    if (i_ >= text_.size()) return false;
    if (Peek() == '"') return SkipString();
    if (Peek() != '{' && Peek() != '[') {
      while (i_ < text_.size() && Peek() != ',' && Peek() != '}' && Peek() != ']' && Peek() != ' ' &&
             Peek() != '\n' && Peek() != '\t' && Peek() != '\r') {
        Advance();
      }
      return true;
    }
    size_t open = 0;
    while (i_ < text_.size()) {
      const char c = Peek();
      if (c == '"') {
        if (!SkipString()) return false;
        continue;
      }
      Advance();
      if (c == '{' || c == '[') ++open;
      if ((c == '}' || c == ']') && --open == 0) return true;
    }
    return false;
  }

  bool SkipString() {
    Advance();  // opening quote
    while (i_ < text_.size()) {
      const char c = text_[i_];
      Advance();
      if (c == '\\') {
        if (i_ < text_.size()) Advance();
      } else if (c == '"') {
        return true;
      }
    }
    return false;
  }

  void SkipSpace() {
    while (i_ < text_.size() && (text_[i_] == ' ' || text_[i_] == '\t' || text_[i_] == '\n' || text_[i_] == '\r')) {
      Advance();
    }
  }

  char Peek() const { return i_ < text_.size() ? text_[i_] : '\0'; }

  void Advance() {
    const char c = text_[i_++];
    if (c == '\n') {
      line_++;
      column_ = 1;
    } else if (!IsContinuationByte(c)) {
      column_++;
    }
  }

  TextPosition Here() const { return TextPosition{line_, column_}; }

  std::string_view text_;
  std::string_view target_;
  TextPosition best_;
  size_t i_ = 0;
  int line_ = 1;
  int column_ = 1;
};

}  // namespace

TextPosition PositionOfPath(std::string_view text, std::string_view path) { return Scanner(text, path).Run(); }

TextPosition PositionOfOffset(std::string_view text, size_t offset) {
  TextPosition at;
  const size_t end = offset < text.size() ? offset : text.size();
  size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  for (; i < end; ++i) {
    if (text[i] == '\n') {
      at.line++;
      at.column = 1;
    } else if (!IsContinuationByte(text[i])) {
      at.column++;
    }
  }
  return at;
}

}  // namespace ombrel::host::scenefile
