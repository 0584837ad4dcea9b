#include "resource_lexer.h"

#include <charconv>
#include <fstream>
#include <system_error>
#include <utility>

namespace ombrel::host {
namespace {

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Printable form of one byte of input, for error messages about junk.
std::string ShowChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x21 && byte < 0x7F) return std::string("'") + c + "'";
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF];
}

std::string Shorten(std::string_view text, size_t most) {
  if (text.size() <= most) return std::string(text);
  return std::string(text.substr(0, most)) + "...";
}

class Lexer {
 public:
  Lexer(std::string_view text, const std::string& file, std::vector<Token>& tokens,
        ResourceError& err)
      : text_(text), file_(file), tokens_(tokens), err_(err) {}

  bool Run() {
    tokens_.clear();
    // Editors on Windows like to start UTF-8 files with a byte-order mark.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        lineHasToken_ = false;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++pos_;
      } else if (c == '/' && At(1) == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (c == '/' && At(1) == '*') {
        if (!SkipBlockComment()) return false;
      } else if (c == '#') {
        if (lineHasToken_) return Fail(line_, "unexpected '#' in the middle of a line");
        LexDirective();
      } else if (c == '"') {
        if (!LexString()) return false;
      } else if (IsDigit(c) || (c == '.' && IsDigit(At(1))) ||
                 (c == '-' && (IsDigit(At(1)) || (At(1) == '.' && IsDigit(At(2)))))) {
        if (!LexNumber()) return false;
      } else if (IsIdentStart(c)) {
        const size_t start = pos_;
        while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
        Push(TokenKind::kIdentifier, std::string(text_.substr(start, pos_ - start)));
      } else if (c == '{' || c == '}' || c == ';' || c == ',' || c == '=') {
        Push(TokenKind::kPunct, std::string(1, c));
        ++pos_;
      } else {
        return Fail(line_, "unexpected " + ShowChar(c));
      }
    }
    Token end;
    end.kind = TokenKind::kEnd;
    end.line = line_;
    tokens_.push_back(std::move(end));
    return true;
  }

 private:
  char At(size_t ahead) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }

  bool Fail(int line, std::string message) {
    err_.file = file_;
    err_.line = line;
    err_.message = std::move(message);
    return false;
  }

  Token& Push(TokenKind kind, std::string text) {
    Token token;
    token.kind = kind;
    token.text = std::move(text);
    token.line = line_;
    tokens_.push_back(std::move(token));
    lineHasToken_ = true;
    return tokens_.back();
  }

  bool SkipBlockComment() {
    const int startLine = line_;
    pos_ += 2;
    while (pos_ < text_.size()) {
      if (text_[pos_] == '*' && At(1) == '/') {
        pos_ += 2;
        return true;
      }
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
    return Fail(startLine, "unterminated /* comment (no closing */ before the end of the file)");
  }

  void LexDirective() {
    size_t end = pos_ + 1;
    while (end < text_.size() && text_[end] != '\n') ++end;
    std::string_view body = text_.substr(pos_ + 1, end - pos_ - 1);
    while (!body.empty() && (body.front() == ' ' || body.front() == '\t')) body.remove_prefix(1);
    while (!body.empty() && (body.back() == ' ' || body.back() == '\t' || body.back() == '\r')) {
      body.remove_suffix(1);
    }
    Push(TokenKind::kDirective, std::string(body));
    pos_ = end;
  }

  bool LexString() {
    const int startLine = line_;
    std::string value;
    ++pos_;
    while (true) {
      if (pos_ >= text_.size() || text_[pos_] == '\n') {
        return Fail(startLine, "unterminated string (missing closing '\"' on this line)");
      }
      const char c = text_[pos_];
      if (c == '"') {
        ++pos_;
        break;
      }
      if (c == '\\') {
        const char next = At(1);
        if (next != '"' && next != '\\') {
          return Fail(line_, "unknown escape in string: only \\\" and \\\\ are allowed");
        }
        value += next;
        pos_ += 2;
        continue;
      }
      value += c;
      ++pos_;
    }
    Push(TokenKind::kString, std::move(value));
    return true;
  }

  bool LexNumber() {
    const size_t start = pos_;
    bool negative = false;
    if (text_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    bool hex = false;
    bool whole = true;
    if (text_[pos_] == '0' && (At(1) == 'x' || At(1) == 'X') && IsHexDigit(At(2))) {
      hex = true;
      pos_ += 2;
      while (pos_ < text_.size() && IsHexDigit(text_[pos_])) ++pos_;
    } else {
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
      if (At(0) == '.') {
        whole = false;
        ++pos_;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
      }
      if ((At(0) == 'e' || At(0) == 'E') &&
          (IsDigit(At(1)) || ((At(1) == '+' || At(1) == '-') && IsDigit(At(2))))) {
        whole = false;
        pos_ += 2;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
      }
    }
    if (pos_ < text_.size() && (IsIdentChar(text_[pos_]) || text_[pos_] == '.')) {
      while (pos_ < text_.size() && (IsIdentChar(text_[pos_]) || text_[pos_] == '.')) ++pos_;
      return Fail(line_, "malformed number '" +
                             Shorten(text_.substr(start, pos_ - start), 40) + "'");
    }
    const std::string_view spelled = text_.substr(start, pos_ - start);
    Token& token = Push(TokenKind::kNumber, std::string(spelled));
    const char* first = spelled.data();
    const char* last = spelled.data() + spelled.size();
    if (hex) {
      uint64_t magnitude = 0;
      const auto [ptr, ec] = std::from_chars(first + (negative ? 3 : 2), last, magnitude, 16);
      if (ec != std::errc() || ptr != last || magnitude > (uint64_t{1} << 62)) {
        return Fail(line_, "number '" + Shorten(spelled, 40) + "' is out of range");
      }
      const auto value = static_cast<int64_t>(magnitude);
      token.integer = negative ? -value : value;
      token.number = static_cast<double>(*token.integer);
      return true;
    }
    const auto [ptr, ec] = std::from_chars(first, last, token.number);
    if (ec == std::errc::result_out_of_range) {
      return Fail(line_, "number '" + Shorten(spelled, 40) + "' is out of range");
    }
    if (ec != std::errc() || ptr != last) {
      return Fail(line_, "malformed number '" + Shorten(spelled, 40) + "'");
    }
    if (whole) {
      int64_t value = 0;
      const auto [iptr, iec] = std::from_chars(first, last, value);
      if (iec == std::errc() && iptr == last) token.integer = value;
    }
    return true;
  }

  std::string_view text_;
  const std::string& file_;
  std::vector<Token>& tokens_;
  ResourceError& err_;
  size_t pos_ = 0;
  int line_ = 1;
  bool lineHasToken_ = false;
};

}  // namespace

bool LexResource(std::string_view text, const std::string& file, std::vector<Token>& tokens,
                 ResourceError& err) {
  return Lexer(text, file, tokens, err).Run();
}

std::string DescribeToken(const Token& token) {
  switch (token.kind) {
    case TokenKind::kEnd:
      return "end of file";
    case TokenKind::kString:
      return "string \"" + Shorten(token.text, 30) + "\"";
    case TokenKind::kDirective:
      return "'#" + Shorten(token.text, 30) + "'";
    default:
      return "'" + Shorten(token.text, 40) + "'";
  }
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string utf8 = path.generic_u8string();
  return std::string(utf8.begin(), utf8.end());
}

bool ReadResourceFile(const std::filesystem::path& path, std::string& text, ResourceError& err) {
  auto fail = [&](std::string message) {
    err = ResourceError{PathText(path), 0, std::move(message)};
    return false;
  };
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return fail("file not found");
  if (!std::filesystem::is_regular_file(status)) return fail("not a regular file");
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return fail("cannot read the file size: " + ec.message());
  if (size > kMaxResourceFileBytes) {
    return fail("file is larger than " + std::to_string(kMaxResourceFileBytes) +
                " bytes; resource files are never that big");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail("cannot open the file");
  text.assign(static_cast<size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(size));
  if (in.bad()) return fail("cannot read the file");
  // The file may have shrunk since its size was read; keep what was there.
  text.resize(static_cast<size_t>(in.gcount()));
  return true;
}

TokenCursor::TokenCursor(const std::vector<Token>& tokens, std::string file)
    : tokens_(tokens), file_(std::move(file)) {}

const Token& TokenCursor::Next() {
  const Token& token = tokens_[pos_];
  if (token.kind != TokenKind::kEnd) ++pos_;
  return token;
}

bool TokenCursor::IsPunct(char c) const {
  const Token& token = Peek();
  return token.kind == TokenKind::kPunct && token.text.size() == 1 && token.text[0] == c;
}

bool TokenCursor::IsWord(std::string_view word) const {
  const Token& token = Peek();
  return token.kind == TokenKind::kIdentifier && token.text == word;
}

bool TokenCursor::ExpectPunct(char c, std::string_view context, ResourceError& err) {
  if (IsPunct(c)) {
    Next();
    return true;
  }
  return Fail(Peek(),
              std::string("expected '") + c + "' " + std::string(context) + ", found " +
                  DescribeToken(Peek()),
              err);
}

bool TokenCursor::ExpectIdentifier(std::string_view what, std::string_view context,
                                   const Token*& out, ResourceError& err) {
  if (Peek().kind == TokenKind::kIdentifier) {
    out = &Next();
    return true;
  }
  return Fail(Peek(),
              "expected " + std::string(what) + " " + std::string(context) + ", found " +
                  DescribeToken(Peek()),
              err);
}

bool TokenCursor::Fail(const Token& at, std::string message, ResourceError& err) const {
  err.file = file_;
  err.line = at.line;
  err.message = std::move(message);
  return false;
}

}  // namespace ombrel::host
