#include "string_table.h"

#include <functional>
#include <map>

#include "resource_lexer.h"

namespace ombrel::host {

const StringEntry* StringTable::Find(std::string_view key) const {
  for (const StringEntry& entry : entries) {
    if (entry.key == key) return &entry;
  }
  return nullptr;
}

bool ParseStringTable(std::string_view text, const std::string& file, StringTable& out,
                      ResourceError& err) {
  out = StringTable{};
  out.file = file;
  std::vector<Token> tokens;
  if (!LexResource(text, file, tokens, err)) return false;
  TokenCursor cur(tokens, file);

  if (!cur.IsWord("STRINGTABLE")) {
    return cur.Fail(cur.Peek(), "expected STRINGTABLE, found " + DescribeToken(cur.Peek()), err);
  }
  out.nameLine = cur.Next().line;
  if (cur.Peek().kind == TokenKind::kIdentifier) {
    const Token& name = cur.Next();
    out.name = name.text;
    out.nameLine = name.line;
  }
  if (!cur.ExpectPunct('{', "to open the string table", err)) return false;

  std::map<std::string, int, std::less<>> seen;
  while (!cur.IsPunct('}')) {
    if (cur.AtEnd()) {
      return cur.Fail(cur.Peek(), "missing '}' to close the string table", err);
    }
    const Token* key = nullptr;
    if (!cur.ExpectIdentifier("a symbol", "at the start of a string entry", key, err)) return false;
    const Token& value = cur.Next();
    if (value.kind != TokenKind::kString) {
      return cur.Fail(value,
                      "expected a quoted string after " + key->text + ", found " +
                          DescribeToken(value),
                      err);
    }
    if (!cur.ExpectPunct(';', "after the string of " + key->text, err)) return false;
    if (const auto it = seen.find(key->text); it != seen.end()) {
      return cur.Fail(*key,
                      key->text + " has a second string (first at line " +
                          std::to_string(it->second) + ")",
                      err);
    }
    seen.emplace(key->text, key->line);
    out.entries.push_back(StringEntry{key->text, value.text, key->line});
  }
  cur.Next();
  if (!cur.AtEnd()) {
    return cur.Fail(cur.Peek(),
                    "unexpected " + DescribeToken(cur.Peek()) + " after the string table", err);
  }
  return true;
}

}  // namespace ombrel::host
