// Module resources from any bytes: the same text goes to the symbol header, string table and
// description parsers, which must answer a result or an error with file and line, never crash.
// Descriptions resolve against the real headers of res/, so mutated descriptions of the seed
// corpus get past symbol lookup into the parts that read values.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "resources/description.h"
#include "resources/resource_lexer.h"
#include "resources/string_table.h"
#include "resources/symbol_header.h"

namespace {

const ombrel::host::SymbolMap& RealSymbols() {
  static const ombrel::host::SymbolMap symbols = [] {
    ombrel::host::SymbolMap all;
    const std::filesystem::path res = std::filesystem::path(OMBREL_SOURCE_DIR) / "res";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(res)) {
      if (entry.path().extension() != ".h") continue;
      std::string text;
      ombrel::host::ResourceError err;
      ombrel::host::SymbolMap one;
      if (!ombrel::host::ReadResourceFile(entry.path(), text, err) ||
          !ombrel::host::ParseSymbolHeader(text, entry.path().string(), one, err)) {
        continue;
      }
      all.insert(one.begin(), one.end());
    }
    return all;
  }();
  return symbols;
}

void Require(bool ok, const ombrel::host::ResourceError& err, const char* parser) {
  if (ok || !err.message.empty()) return;
  std::fprintf(stderr, "fuzz_resources: %s refused its input without a message\n", parser);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ombrel::host::ResourceError err;

  ombrel::host::SymbolMap symbols = RealSymbols();
  Require(ombrel::host::ParseSymbolHeader(text, "fuzz.h", symbols, err), err, "the symbol header parser");

  err = {};
  ombrel::host::StringTable strings;
  const bool haveStrings = ombrel::host::ParseStringTable(text, "fuzz.str", strings, err);
  Require(haveStrings, err, "the string table parser");

  err = {};
  ombrel::host::Description description;
  Require(ombrel::host::ParseDescription(text, "fuzz.res", RealSymbols(), haveStrings ? &strings : nullptr, "",
                                         description, err),
          err, "the description parser");
  return 0;
}
