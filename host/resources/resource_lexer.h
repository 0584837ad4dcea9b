// Tokens shared by the host's resource formats (.h symbol headers, .str
// string tables, .res descriptions), and a cursor that turns "wrong token"
// into a located, readable error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resource_error.h"

namespace ombrel::host {

enum class TokenKind {
  kIdentifier,  // [A-Za-z_][A-Za-z0-9_]*
  kNumber,      // -12, 0x1F, 2.5, -1e-3
  kString,      // "..." with \" and \\ escapes; text holds the decoded bytes
  kPunct,       // one of { } ; , =
  kDirective,   // a '#' line; text holds what follows the '#', trimmed
  kEnd,         // always the last token
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;
  int line = 0;
  double number = 0.0;             // kNumber: the value (always finite)
  std::optional<int64_t> integer;  // kNumber written as a whole number that fits 64 bits
};

// Resource files are small; refusing big ones keeps junk input from eating memory.
inline constexpr std::uintmax_t kMaxResourceFileBytes = 4u * 1024u * 1024u;

// Splits text into tokens, ending with a kEnd token. On failure fills err
// (with file and line) and returns false.
bool LexResource(std::string_view text, const std::string& file,
                 std::vector<Token>& tokens, ResourceError& err);

// How a token reads inside an error message: 'MIN', '}', string "abc", end of file.
std::string DescribeToken(const Token& token);

// '/'-separated UTF-8 spelling of a path, as used in error messages.
std::string PathText(const std::filesystem::path& path);

// Reads a whole file (at most kMaxResourceFileBytes) into text.
bool ReadResourceFile(const std::filesystem::path& path, std::string& text,
                      ResourceError& err);

class TokenCursor {
 public:
  // tokens must end with a kEnd token, as LexResource produces.
  TokenCursor(const std::vector<Token>& tokens, std::string file);

  const Token& Peek() const { return tokens_[pos_]; }
  const Token& Next();
  bool AtEnd() const { return Peek().kind == TokenKind::kEnd; }
  bool IsPunct(char c) const;
  bool IsWord(std::string_view word) const;

  // Consume the expected token, or fill err with
  // "expected ';' <context>, found '}'" and return false.
  bool ExpectPunct(char c, std::string_view context, ResourceError& err);
  bool ExpectIdentifier(std::string_view what, std::string_view context,
                        const Token*& out, ResourceError& err);

  // Fills err for a problem at token `at`; always returns false.
  bool Fail(const Token& at, std::string message, ResourceError& err) const;
  const std::string& file() const { return file_; }

 private:
  const std::vector<Token>& tokens_;
  std::string file_;
  size_t pos_ = 0;
};

}  // namespace ombrel::host
