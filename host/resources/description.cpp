#include "description.h"

#include <array>
#include <charconv>
#include <functional>
#include <limits>
#include <map>
#include <numbers>

#include "host_descriptions.h"
#include "resource_lexer.h"

namespace ombrel::host {
namespace {

enum AttrBit : unsigned {
  kMin = 1u << 0,
  kMax = 1u << 1,
  kStep = 1u << 2,
  kMinSlider = 1u << 3,
  kMaxSlider = 1u << 4,
  kUnit = 1u << 5,
  kAnim = 1u << 6,
  kCycle = 1u << 7,
};
constexpr unsigned kLimits = kMin | kMax | kStep;
constexpr unsigned kSliders = kMinSlider | kMaxSlider;

struct KindInfo {
  std::string_view name;
  unsigned attrs;  // attributes the element may carry
  int32_t customType;
};

constexpr std::array<KindInfo, 11> kKinds{{
    {"REAL", kLimits | kSliders | kUnit | kAnim, 0},
    {"LONG", kLimits | kSliders | kAnim | kCycle, 0},
    {"BOOL", kAnim, 0},
    {"VECTOR", kLimits | kUnit | kAnim, 0},
    {"COLOR", kAnim, 0},
    {"SHADERLINK", kAnim, 0},
    {"LINK", kAnim, 0},
    {"GRADIENT", kAnim, kCustomTypeGradient},
    {"BUTTON", 0, 0},
    {"SEPARATOR", 0, 0},
    {"GROUP", 0, 0},
}};

struct AttrInfo {
  std::string_view name;
  AttrBit bit;
};

constexpr std::array<AttrInfo, 8> kAttrs{{
    {"MIN", kMin},
    {"MAX", kMax},
    {"STEP", kStep},
    {"MINSLIDER", kMinSlider},
    {"MAXSLIDER", kMaxSlider},
    {"UNIT", kUnit},
    {"ANIM", kAnim},
    {"CYCLE", kCycle},
}};

const KindInfo* FindKind(std::string_view name) {
  for (const KindInfo& kind : kKinds) {
    if (kind.name == name) return &kind;
  }
  return nullptr;
}

std::string FormatNumber(double value) {
  std::array<char, 32> buffer{};
  const auto [ptr, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return ec == std::errc() ? std::string(buffer.data(), ptr) : std::string("?");
}

std::string ElementName(const DescElement& element) {
  return element.symbol.empty() ? element.kind : element.kind + " " + element.symbol;
}

class DescriptionParser {
 public:
  DescriptionParser(const std::vector<Token>& tokens, const std::string& file,
                    const SymbolMap& symbols, const StringTable* strings, Description& out,
                    ResourceError& err)
      : cur_(tokens, file), symbols_(symbols), strings_(strings), out_(out), err_(err) {}

  bool Run(std::string_view expectedName) {
    if (!cur_.IsWord("CONTAINER")) {
      return cur_.Fail(cur_.Peek(),
                       "expected CONTAINER at the start of the description, found " +
                           DescribeToken(cur_.Peek()),
                       err_);
    }
    const Token& container = cur_.Next();
    const Token* name = nullptr;
    if (!cur_.ExpectIdentifier("the description name", "after CONTAINER", name, err_)) {
      return false;
    }
    if (!expectedName.empty() && name->text != expectedName) {
      return cur_.Fail(*name,
                       "CONTAINER '" + name->text + "' does not match its file name (expected '" +
                           std::string(expectedName) + "')",
                       err_);
    }
    out_.name = name->text;
    if (!TakeStrings()) return false;
    if (!cur_.ExpectPunct('{', "after the description name", err_)) return false;
    if (!Body(0, 0, "CONTAINER " + out_.name, container.line)) return false;
    cur_.Next();  // the CONTAINER's '}'
    if (!cur_.AtEnd()) {
      return cur_.Fail(cur_.Peek(),
                       "unexpected " + DescribeToken(cur_.Peek()) + " after the end of the CONTAINER",
                       err_);
    }
    if (!titleKey_.empty()) out_.title = Label(titleKey_);
    return true;
  }

 private:
  // Checks the string table against this description and indexes its labels.
  bool TakeStrings() {
    if (strings_ == nullptr) return true;
    if (strings_->name != out_.name) {
      return StringsFail(strings_->nameLine,
                         "string table is named '" + strings_->name +
                             "' but belongs to description '" + out_.name + "'");
    }
    for (const StringEntry& entry : strings_->entries) {
      if (entry.key != out_.name && symbols_.find(entry.key) == symbols_.end()) {
        return StringsFail(entry.line, "unknown symbol '" + entry.key +
                                           "' (not in the description's header)");
      }
      labels_.emplace(entry.key, entry.text);
    }
    return true;
  }

  bool StringsFail(int line, std::string message) {
    err_ = ResourceError{strings_->file, line, std::move(message)};
    return false;
  }

  std::string Label(std::string_view symbol) const {
    if (const auto it = labels_.find(symbol); it != labels_.end()) return it->second;
    if (const HostSymbol* host = FindHostSymbol(symbol)) return std::string(host->label);
    return {};
  }

  // Elements up to (not including) the '}' that closes `what`.
  bool Body(int depth, int32_t parentGroup, const std::string& what, int openLine) {
    while (true) {
      const Token& token = cur_.Peek();
      if (token.kind == TokenKind::kEnd) {
        return cur_.Fail(token,
                         "missing '}' to close " + what + " (opened at line " +
                             std::to_string(openLine) + ")",
                         err_);
      }
      if (cur_.IsPunct('}')) return true;
      if (token.kind != TokenKind::kIdentifier) {
        return cur_.Fail(token, "expected an element or '}', found " + DescribeToken(token), err_);
      }
      if (token.text == "NAME" || token.text == "INCLUDE") {
        if (depth > 0) {
          return cur_.Fail(token, token.text + " is only allowed at the top of the CONTAINER",
                           err_);
        }
        if (!(token.text == "NAME" ? NameStatement() : IncludeStatement(parentGroup))) return false;
        continue;
      }
      const KindInfo* kind = FindKind(token.text);
      if (kind == nullptr) {
        return cur_.Fail(token,
                         "unknown element type " + DescribeToken(token) +
                             " (expected REAL, LONG, BOOL, VECTOR, COLOR, SHADERLINK, LINK, "
                             "GRADIENT, BUTTON, SEPARATOR, GROUP, NAME or INCLUDE)",
                         err_);
      }
      if (!Element(*kind, depth, parentGroup)) return false;
    }
  }

  bool NameStatement() {
    const Token& keyword = cur_.Next();
    if (!titleKey_.empty()) return cur_.Fail(keyword, "NAME given twice", err_);
    const Token* value = nullptr;
    if (!cur_.ExpectIdentifier("a name", "after NAME", value, err_)) return false;
    if (!cur_.ExpectPunct(';', "after the NAME value", err_)) return false;
    titleKey_ = value->text;
    return true;
  }

  bool IncludeStatement(int32_t parentGroup) {
    const Token& keyword = cur_.Next();
    const Token* name = nullptr;
    if (!cur_.ExpectIdentifier("a description name", "after INCLUDE", name, err_)) return false;
    if (!cur_.ExpectPunct(';', "after INCLUDE " + name->text, err_)) return false;
    const std::vector<DescElement>* host = FindHostDescription(name->text);
    if (host == nullptr) {
      return cur_.Fail(*name,
                       "unknown description '" + name->text +
                           "' in INCLUDE (the host has Mpreview, Xbase and ToolBase)",
                       err_);
    }
    for (const std::string& included : out_.includes) {
      if (included == name->text) {
        return cur_.Fail(*name, name->text + " is included twice", err_);
      }
    }
    out_.includes.push_back(name->text);
    for (DescElement element : *host) {
      element.parentGroup = parentGroup;
      element.line = keyword.line;
      if (!Add(std::move(element), keyword)) return false;
    }
    return true;
  }

  bool Resolve(const Token& token, int32_t& id) {
    if (const auto it = symbols_.find(token.text); it != symbols_.end()) {
      id = it->second;
    } else if (const HostSymbol* host = FindHostSymbol(token.text)) {
      id = host->id;
    } else {
      return cur_.Fail(token,
                       "unknown symbol '" + token.text +
                           "' (not in the description's header nor a host symbol)",
                       err_);
    }
    if (id <= 0) {
      return cur_.Fail(token,
                       token.text + " has ID " + std::to_string(id) +
                           "; description IDs must be above 0",
                       err_);
    }
    return true;
  }

  bool Add(DescElement element, const Token& at) {
    if (element.id != 0) {
      const auto [it, fresh] = firstUse_.emplace(element.id, out_.elements.size());
      if (!fresh) {
        const DescElement& first = out_.elements[it->second];
        std::string where = first.origin.empty() ? "line " + std::to_string(first.line)
                                                 : "INCLUDE " + first.origin;
        return cur_.Fail(at,
                         "duplicate ID " + std::to_string(element.id) + ": " + element.symbol +
                             " has the same ID as " + first.symbol + " (" + where + ")",
                         err_);
      }
    }
    out_.elements.push_back(std::move(element));
    return true;
  }

  bool Element(const KindInfo& kind, int depth, int32_t parentGroup) {
    const Token& kindToken = cur_.Next();
    DescElement element;
    element.kind = std::string(kind.name);
    element.line = kindToken.line;
    element.parentGroup = parentGroup;
    element.customType = kind.customType;
    if (!(kind.name == "SEPARATOR" && cur_.IsPunct('{'))) {
      const Token* symbol = nullptr;
      if (!cur_.ExpectIdentifier("a symbol", "after " + element.kind, symbol, err_)) return false;
      if (!Resolve(*symbol, element.id)) return false;
      element.symbol = symbol->text;
      element.label = Label(symbol->text);
    }
    if (!cur_.ExpectPunct('{', "after " + ElementName(element), err_)) return false;

    if (kind.name == "GROUP") {
      if (depth + 1 > kMaxGroupDepth) {
        return cur_.Fail(kindToken,
                         "groups nested deeper than " + std::to_string(kMaxGroupDepth) + " levels",
                         err_);
      }
      const std::string what = ElementName(element);
      const int32_t groupId = element.id;
      if (!Add(std::move(element), kindToken)) return false;
      if (!Body(depth + 1, groupId, what, kindToken.line)) return false;
      cur_.Next();  // the group's '}'
      return true;
    }
    if (!Attributes(kind, element)) return false;
    return Add(std::move(element), kindToken);
  }

  // Attributes up to and including the element's closing '}'.
  bool Attributes(const KindInfo& kind, DescElement& element) {
    const std::string what = ElementName(element);
    unsigned seen = 0;
    while (!cur_.IsPunct('}')) {
      if (cur_.AtEnd()) {
        return cur_.Fail(cur_.Peek(),
                         "missing '}' to close " + what + " (opened at line " +
                             std::to_string(element.line) + ")",
                         err_);
      }
      const Token* attr = nullptr;
      if (!cur_.ExpectIdentifier("an attribute or '}'", "in " + what, attr, err_)) return false;
      const AttrInfo* info = nullptr;
      for (const AttrInfo& candidate : kAttrs) {
        if (candidate.name == attr->text) info = &candidate;
      }
      if (info == nullptr) {
        return cur_.Fail(*attr, "unknown attribute '" + attr->text + "' in " + what, err_);
      }
      if ((kind.attrs & info->bit) == 0) {
        return cur_.Fail(*attr, attr->text + " is not allowed on " + element.kind, err_);
      }
      if ((seen & info->bit) != 0) {
        return cur_.Fail(*attr, attr->text + " given twice in " + what, err_);
      }
      seen |= info->bit;
      bool ok = true;
      switch (info->bit) {
        case kMin: ok = Number(*attr, element, element.min); break;
        case kMax: ok = Number(*attr, element, element.max); break;
        case kStep: ok = Number(*attr, element, element.step); break;
        case kMinSlider: ok = Number(*attr, element, element.minSlider); break;
        case kMaxSlider: ok = Number(*attr, element, element.maxSlider); break;
        case kUnit: ok = Unit(element); break;
        case kAnim: ok = Anim(element); break;
        case kCycle: ok = Cycle(element); break;
      }
      if (!ok) return false;
    }
    const Token& close = cur_.Next();
    return CheckLimits(close, element, what);
  }

  bool Number(const Token& attr, const DescElement& element, std::optional<double>& slot) {
    const Token& value = cur_.Next();
    if (value.kind != TokenKind::kNumber) {
      return cur_.Fail(value,
                       "expected a number after " + attr.text + ", found " + DescribeToken(value),
                       err_);
    }
    if (element.kind == "LONG" &&
        (!value.integer || *value.integer < std::numeric_limits<int32_t>::min() ||
         *value.integer > std::numeric_limits<int32_t>::max())) {
      return cur_.Fail(value,
                       attr.text + " of a LONG must be a 32-bit whole number, found '" +
                           value.text + "'",
                       err_);
    }
    slot = value.number;
    return cur_.ExpectPunct(';', "after " + attr.text + " value", err_);
  }

  bool Unit(DescElement& element) {
    const Token* value = nullptr;
    if (!cur_.ExpectIdentifier("DEGREE or PERCENT", "after UNIT", value, err_)) return false;
    if (value->text != "DEGREE" && value->text != "PERCENT") {
      return cur_.Fail(*value,
                       "unknown unit '" + value->text + "' (expected DEGREE or PERCENT)", err_);
    }
    element.unit = value->text;
    return cur_.ExpectPunct(';', "after the UNIT value", err_);
  }

  bool Anim(DescElement& element) {
    const Token* value = nullptr;
    if (!cur_.ExpectIdentifier("OFF or ON", "after ANIM", value, err_)) return false;
    if (value->text != "OFF" && value->text != "ON") {
      return cur_.Fail(*value, "expected OFF or ON after ANIM, found " + DescribeToken(*value),
                       err_);
    }
    element.animOff = value->text == "OFF";
    return cur_.ExpectPunct(';', "after the ANIM value", err_);
  }

  bool Cycle(DescElement& element) {
    const int openLine = cur_.Peek().line;
    if (!cur_.ExpectPunct('{', "after CYCLE", err_)) return false;
    std::map<int32_t, std::string> used;
    while (!cur_.IsPunct('}')) {
      if (cur_.AtEnd()) {
        return cur_.Fail(cur_.Peek(),
                         "missing '}' to close the CYCLE of " + element.symbol +
                             " (opened at line " + std::to_string(openLine) + ")",
                         err_);
      }
      const Token* item = nullptr;
      if (!cur_.ExpectIdentifier("a cycle item symbol", "in the CYCLE of " + element.symbol, item,
                                 err_)) {
        return false;
      }
      const auto it = symbols_.find(item->text);
      if (it == symbols_.end()) {
        return cur_.Fail(*item,
                         "unknown symbol '" + item->text + "' (not in the description's header)",
                         err_);
      }
      if (!cur_.ExpectPunct(';', "after cycle item " + item->text, err_)) return false;
      const auto [prev, fresh] = used.emplace(it->second, item->text);
      if (!fresh) {
        return cur_.Fail(*item,
                         "cycle item " + item->text + " has the same value " +
                             std::to_string(it->second) + " as " + prev->second,
                         err_);
      }
      element.cycle.emplace_back(it->second, Label(item->text));
    }
    const Token& close = cur_.Next();
    if (element.cycle.empty()) {
      return cur_.Fail(close, "the CYCLE of " + element.symbol + " has no items", err_);
    }
    if (cur_.IsPunct(';')) cur_.Next();
    return true;
  }

  bool CheckLimits(const Token& at, const DescElement& element, const std::string& what) {
    if (element.min && element.max && *element.min > *element.max) {
      return cur_.Fail(at,
                       "MIN " + FormatNumber(*element.min) + " is above MAX " +
                           FormatNumber(*element.max) + " in " + what,
                       err_);
    }
    if (element.minSlider && element.maxSlider && *element.minSlider > *element.maxSlider) {
      return cur_.Fail(at,
                       "MINSLIDER " + FormatNumber(*element.minSlider) + " is above MAXSLIDER " +
                           FormatNumber(*element.maxSlider) + " in " + what,
                       err_);
    }
    if (element.step && !(*element.step > 0.0)) {
      return cur_.Fail(at, "STEP must be above 0 in " + what, err_);
    }
    return true;
  }

  TokenCursor cur_;
  const SymbolMap& symbols_;
  const StringTable* strings_;
  Description& out_;
  ResourceError& err_;
  std::map<std::string, std::string, std::less<>> labels_;
  std::map<int32_t, size_t> firstUse_;  // id -> index in out_.elements
  std::string titleKey_;
};

}  // namespace

double DescElement::UnitScale() const {
  if (unit == "PERCENT") return 100.0;
  if (unit == "DEGREE") return 180.0 / std::numbers::pi;
  return 1.0;
}

const DescElement* Description::Find(int32_t id) const {
  if (id == 0) return nullptr;  // unnamed separators are not addressable
  for (const DescElement& element : elements) {
    if (element.id == id) return &element;
  }
  return nullptr;
}

const DescElement* Description::FindSymbol(std::string_view symbol) const {
  if (symbol.empty()) return nullptr;
  for (const DescElement& element : elements) {
    if (element.symbol == symbol) return &element;
  }
  return nullptr;
}

bool ParseDescription(std::string_view text, const std::string& file, const SymbolMap& symbols,
                      const StringTable* strings, std::string_view expectedName,
                      Description& out, ResourceError& err) {
  out = Description{};
  out.file = file;
  out.symbols = symbols;
  std::vector<Token> tokens;
  if (!LexResource(text, file, tokens, err)) return false;
  return DescriptionParser(tokens, file, symbols, strings, out, err).Run(expectedName);
}

}  // namespace ombrel::host
