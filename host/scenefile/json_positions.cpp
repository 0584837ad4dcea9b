#include "scenefile/json_positions.h"

#include <cmath>
#include <cstdlib>
#include <set>

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
  Scanner(std::string_view text, int maxDepth, std::unordered_map<std::string, TextPosition>& starts)
      : text_(text), maxDepth_(maxDepth), starts_(starts) {}

  bool Run(ScanProblem& problem) {
    problem_ = &problem;
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;  // the parser skips a byte-order mark too
    SkipSpace();
    if (!Value("", 0)) return false;
    SkipSpace();
    if (i_ != text_.size()) return Fail("", "unexpected text after the document");
    return true;
  }

 private:
  bool Value(const std::string& path, int depth) {
    SkipSpace();
    if (i_ >= text_.size()) return Fail(path, "unexpected end of the text");
    starts_[path] = Here();
    const char c = text_[i_];
    if (c == '{' || c == '[') {
      if (depth >= maxDepth_) {
        return Fail(path, "nested deeper than " + std::to_string(maxDepth_) + " levels");
      }
      return c == '{' ? Object(path, depth + 1) : Array(path, depth + 1);
    }
    if (c == '"') return SkipString(path);
    if (c == '-' || (c >= '0' && c <= '9')) return Number(path);
    while (i_ < text_.size() && text_[i_] >= 'a' && text_[i_] <= 'z') Advance();  // true, false, null
    return true;
  }

  bool Object(const std::string& path, int depth) {
    Advance();  // {
    std::set<std::string> keys;
    SkipSpace();
    if (Peek() == '}') {
      Advance();
      return true;
    }
    for (;;) {
      SkipSpace();
      const TextPosition keyAt = Here();
      const size_t keyStart = i_;
      if (Peek() != '"' || !SkipString(path)) return Fail(path, "expected a key");
      std::string key;
      try {
        key = nlohmann::json::parse(text_.substr(keyStart, i_ - keyStart)).get<std::string>();
      } catch (const nlohmann::json::exception&) {
        return Fail(path, "unreadable key");
      }
      const std::string member = MemberPath(path, key);
      if (!keys.insert(key).second) {
        problem_->path = member;
        problem_->at = keyAt;
        problem_->message = "key \"" + key + "\" given twice in one object";
        return false;
      }
      SkipSpace();
      if (Peek() != ':') return Fail(member, "expected ':'");
      Advance();
      if (!Value(member, depth)) return false;
      SkipSpace();
      if (Peek() == ',') {
        Advance();
        continue;
      }
      if (Peek() == '}') {
        Advance();
        return true;
      }
      return Fail(path, "expected ',' or '}'");
    }
  }

  bool Array(const std::string& path, int depth) {
    Advance();  // [
    SkipSpace();
    if (Peek() == ']') {
      Advance();
      return true;
    }
    for (size_t index = 0;; ++index) {
      if (!Value(ItemPath(path, index), depth)) return false;
      SkipSpace();
      if (Peek() == ',') {
        Advance();
        continue;
      }
      if (Peek() == ']') {
        Advance();
        return true;
      }
      return Fail(path, "expected ',' or ']'");
    }
  }

  bool SkipString(const std::string& path) {
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
    return Fail(path, "unterminated string");
  }

  bool Number(const std::string& path) {
    const TextPosition at = Here();
    const size_t start = i_;
    while (i_ < text_.size()) {
      const char c = text_[i_];
      if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) break;
      Advance();
    }
    const std::string token(text_.substr(start, i_ - start));
    const double value = std::strtod(token.c_str(), nullptr);
    if (std::isinf(value)) {
      problem_->path = path;
      problem_->at = at;
      problem_->message = "the number " + token + " is too large";
      return false;
    }
    return true;
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

  bool Fail(const std::string& path, std::string message) {
    problem_->path = path;
    problem_->at = Here();
    problem_->message = std::move(message);
    return false;
  }

  std::string_view text_;
  int maxDepth_;
  std::unordered_map<std::string, TextPosition>& starts_;
  ScanProblem* problem_ = nullptr;
  size_t i_ = 0;
  int line_ = 1;
  int column_ = 1;
};

}  // namespace

bool JsonPositions::Scan(std::string_view text, int maxDepth, ScanProblem& problem) {
  starts_.clear();
  Scanner scanner(text, maxDepth, starts_);
  return scanner.Run(problem);
}

TextPosition JsonPositions::At(std::string_view path) const {
  std::string p(path);
  for (;;) {
    if (auto it = starts_.find(p); it != starts_.end()) return it->second;
    if (p.empty()) return TextPosition{};
    // Drop the last step: a member ".key" or an item "[n]".
    const size_t cut = p.back() == ']' ? p.rfind('[') : p.rfind('.');
    p.resize(cut == std::string::npos ? 0 : cut);
  }
}

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
