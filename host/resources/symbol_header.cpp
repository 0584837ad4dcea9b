#include "symbol_header.h"

#include <limits>
#include <map>
#include <vector>

#include "resource_lexer.h"

namespace ombrel::host {
namespace {

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    const size_t start = pos;
    while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t') ++pos;
    if (pos > start) words.push_back(text.substr(start, pos - start));
  }
  return words;
}

class HeaderParser {
 public:
  HeaderParser(const std::vector<Token>& tokens, const std::string& file, SymbolMap& symbols,
               ResourceError& err)
      : cur_(tokens, file), symbols_(symbols), err_(err) {}

  const SymbolLines& Lines() const { return lines_; }

  bool Run() {
    while (!cur_.AtEnd()) {
      const Token& token = cur_.Peek();
      if (token.kind == TokenKind::kDirective) {
        cur_.Next();
        if (!Directive(token)) return false;
      } else if (cur_.IsWord("enum")) {
        cur_.Next();
        if (!Enum()) return false;
      } else {
        return cur_.Fail(token,
                         "expected 'enum' or a preprocessor line, found " + DescribeToken(token),
                         err_);
      }
    }
    if (openConditionals_ > 0) {
      return cur_.Fail(cur_.Peek(), "missing #endif for the #ifndef at line " +
                                        std::to_string(lastConditionalLine_),
                       err_);
    }
    return true;
  }

 private:
  bool Directive(const Token& token) {
    const std::vector<std::string_view> words = Words(token.text);
    const std::string_view verb = words.empty() ? std::string_view() : words[0];
    if (verb == "ifndef" || verb == "ifdef") {
      if (words.size() != 2) return cur_.Fail(token, "#" + std::string(verb) + " takes one name", err_);
      ++openConditionals_;
      lastConditionalLine_ = token.line;
      return true;
    }
    if (verb == "endif") {
      if (openConditionals_ == 0) return cur_.Fail(token, "#endif without #ifndef", err_);
      --openConditionals_;
      return true;
    }
    if (verb == "define") {
      if (words.size() == 2) return true;  // include guard
      if (words.size() > 2) {
        return cur_.Fail(token,
                         "#define with a value is not read by the host; give the ID in the enum",
                         err_);
      }
      return cur_.Fail(token, "#define takes a name", err_);
    }
    if (verb == "pragma" && words.size() == 2 && words[1] == "once") return true;
    return cur_.Fail(token,
                     "unsupported preprocessor line " + DescribeToken(token) +
                         " (only include guards and #pragma once are read)",
                     err_);
  }

  bool Enum() {
    if (cur_.Peek().kind == TokenKind::kIdentifier) cur_.Next();  // optional enum name
    if (!cur_.ExpectPunct('{', "after 'enum'", err_)) return false;
    int64_t next = 0;
    while (!cur_.IsPunct('}')) {
      const Token* name = nullptr;
      if (!cur_.ExpectIdentifier("an enumerator name", "in the enum", name, err_)) return false;
      int64_t value = next;
      if (cur_.IsPunct('=')) {
        cur_.Next();
        if (!Value(*name, value)) return false;
      } else if (value > std::numeric_limits<int32_t>::max()) {
        return cur_.Fail(*name,
                         name->text + " would be " + std::to_string(value) +
                             ", past the 32-bit range",
                         err_);
      }
      if (const auto it = lines_.find(name->text); it != lines_.end()) {
        return cur_.Fail(*name,
                         name->text + " is defined twice (first at line " +
                             std::to_string(it->second) + ")",
                         err_);
      }
      if (symbols_.count(name->text) != 0) {
        return cur_.Fail(*name, name->text + " is already defined", err_);
      }
      lines_[name->text] = name->line;
      symbols_[name->text] = static_cast<int32_t>(value);
      next = value + 1;
      if (cur_.IsPunct(',')) {
        cur_.Next();
      } else if (!cur_.IsPunct('}')) {
        return cur_.Fail(cur_.Peek(),
                         "expected ',' or '}' after " + name->text + ", found " +
                             DescribeToken(cur_.Peek()),
                         err_);
      }
    }
    cur_.Next();
    return cur_.ExpectPunct(';', "after the enum's closing '}'", err_);
  }

  bool Value(const Token& name, int64_t& value) {
    const Token& token = cur_.Next();
    if (token.kind == TokenKind::kIdentifier) {
      const auto it = symbols_.find(token.text);
      if (it == symbols_.end()) {
        return cur_.Fail(token, "unknown symbol '" + token.text + "' as value of " + name.text,
                         err_);
      }
      value = it->second;
      return true;
    }
    if (token.kind != TokenKind::kNumber) {
      return cur_.Fail(token,
                       "expected a number after '" + name.text + " =', found " +
                           DescribeToken(token),
                       err_);
    }
    if (!token.integer || *token.integer < std::numeric_limits<int32_t>::min() ||
        *token.integer > std::numeric_limits<int32_t>::max()) {
      return cur_.Fail(token,
                       "value of " + name.text + " (" + token.text +
                           ") is not a 32-bit whole number",
                       err_);
    }
    value = *token.integer;
    return true;
  }

  TokenCursor cur_;
  SymbolMap& symbols_;
  ResourceError& err_;
  SymbolLines lines_;
  int openConditionals_ = 0;
  int lastConditionalLine_ = 0;
};

}  // namespace

bool ParseSymbolHeader(std::string_view text, const std::string& file, SymbolMap& symbols,
                       ResourceError& err, SymbolLines* lines) {
  std::vector<Token> tokens;
  if (!LexResource(text, file, tokens, err)) return false;
  HeaderParser parser(tokens, file, symbols, err);
  if (!parser.Run()) return false;
  if (lines != nullptr) *lines = parser.Lines();
  return true;
}

}  // namespace ombrel::host
