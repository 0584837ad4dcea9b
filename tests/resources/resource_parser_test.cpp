// The resource readers on hand-written input: what they accept, and that
// every fault is reported at the right line with a useful message.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "../../host/resources/description.h"
#include "../../host/resources/host_descriptions.h"
#include "../../host/resources/resource_lexer.h"
#include "../../host/resources/string_table.h"
#include "../../host/resources/symbol_header.h"

namespace ombrel::host {
namespace {

bool Lex(const std::string& text, std::vector<Token>& tokens, ResourceError& err) {
  return LexResource(text, "t.res", tokens, err);
}

TEST(ResourceLexer, ReadsEveryTokenKindWithItsLine) {
  std::vector<Token> t;
  ResourceError err;
  ASSERT_TRUE(Lex("A_1 { -12 0x1F 2.5e3 -.5 1e-3 }\n"
                  "/* two\nlines */ \"say \\\"hi\\\" \\\\ \xC2\xB0\"; // tail\n"
                  "  #define X\n=",
                  t, err))
      << err.ToString();
  ASSERT_EQ(t.size(), 13u);
  EXPECT_EQ(t[0].text, "A_1");
  EXPECT_EQ(t[2].integer, -12);
  EXPECT_EQ(t[3].integer, 31);
  EXPECT_DOUBLE_EQ(t[4].number, 2500.0);
  EXPECT_FALSE(t[4].integer.has_value());
  EXPECT_DOUBLE_EQ(t[5].number, -0.5);
  EXPECT_DOUBLE_EQ(t[6].number, 0.001);
  EXPECT_EQ(t[8].kind, TokenKind::kString);
  EXPECT_EQ(t[8].text, "say \"hi\" \\ \xC2\xB0");
  EXPECT_EQ(t[8].line, 3);
  EXPECT_EQ(t[10].kind, TokenKind::kDirective);
  EXPECT_EQ(t[10].text, "define X");
  EXPECT_EQ(t[10].line, 4);
  EXPECT_EQ(t[11].text, "=");
  EXPECT_EQ(t[11].line, 5);
  EXPECT_EQ(t[12].kind, TokenKind::kEnd);
}

TEST(ResourceLexer, BadInputIsReportedAtItsLine) {
  struct Case {
    std::string text;
    int line;
    std::string message;
  };
  const Case cases[] = {
      {"a\n\"open string\n\"", 2, "unterminated string"},
      {"a\n\"open at end", 2, "unterminated string"},
      {"a\n/* never\nclosed", 2, "unterminated /* comment"},
      {"a\nb \x01", 2, "unexpected byte 0x01"},
      {"\n\n12abc", 3, "malformed number '12abc'"},
      {"1.2.3", 1, "malformed number"},
      {"1e999", 1, "out of range"},
      {"\"bad \\q escape\"", 1, "unknown escape"},
      {"x # y", 1, "unexpected '#'"},
      {"@", 1, "unexpected '@'"},
  };
  for (const Case& c : cases) {
    std::vector<Token> t;
    ResourceError err;
    EXPECT_FALSE(Lex(c.text, t, err)) << c.text;
    EXPECT_EQ(err.file, "t.res");
    EXPECT_EQ(err.line, c.line) << c.text;
    EXPECT_NE(err.message.find(c.message), std::string::npos) << err.message;
  }
}

TEST(SymbolHeader, CountsOnFromThePreviousValueLikeC) {
  SymbolMap s;
  ResourceError err;
  ASSERT_TRUE(ParseSymbolHeader("#ifndef G_H\n#define G_H\n#pragma once\n"
                                "enum { A, B, C = 10, D, E = -3, F, G = C, H, };\n"
                                "enum Named { I = 0x7FFFFFFE, J };\n#endif\n",
                                "g.h", s, err))
      << err.ToString();
  const SymbolMap want{{"A", 0}, {"B", 1},  {"C", 10}, {"D", 11},         {"E", -3},
                       {"F", -2}, {"G", 10}, {"H", 11}, {"I", 2147483646}, {"J", 2147483647}};
  EXPECT_EQ(s, want);
}

TEST(SymbolHeader, RejectsWhatTheHostCannotMeanReliably) {
  struct Case {
    std::string text;
    int line;
    std::string message;
  };
  const Case cases[] = {
      {"enum {\n A = 1,\n A = 2 };", 3, "A is defined twice (first at line 2)"},
      {"enum { A = 2147483647,\n B };", 2, "past the 32-bit range"},
      {"enum {\n A = 4294967296 };", 2, "not a 32-bit whole number"},
      {"enum { A = 1.5 };", 1, "not a 32-bit whole number"},
      {"enum { A = NOPE };", 1, "unknown symbol 'NOPE'"},
      {"\n#define X 5\n", 2, "#define with a value"},
      {"#include \"x.h\"", 1, "unsupported preprocessor line"},
      {"#ifndef X\nenum { A };\n", 3, "missing #endif for the #ifndef at line 1"},
      {"#endif", 1, "#endif without #ifndef"},
      {"enum { A B };", 1, "expected ',' or '}' after A, found 'B'"},
      {"enum { A }\n", 2, "expected ';' after the enum's closing '}', found end of file"},
      {"int x;", 1, "expected 'enum'"},
  };
  for (const Case& c : cases) {
    SymbolMap s;
    ResourceError err;
    EXPECT_FALSE(ParseSymbolHeader(c.text, "g.h", s, err)) << c.text;
    EXPECT_EQ(err.line, c.line) << c.text << " -> " << err.ToString();
    EXPECT_NE(err.message.find(c.message), std::string::npos) << err.message;
  }
}

TEST(StringTable, ReadsNamedAndUnnamedTablesAndRejectsRepeats) {
  StringTable t;
  ResourceError err;
  ASSERT_TRUE(ParseStringTable("STRINGTABLE d\n{\n  d \"Title\";\n  K \"\";\n}\n", "d.str", t, err));
  EXPECT_EQ(t.name, "d");
  ASSERT_EQ(t.entries.size(), 2u);
  EXPECT_EQ(t.entries[0].text, "Title");
  EXPECT_EQ(t.entries[1].line, 4);
  ASSERT_TRUE(ParseStringTable("STRINGTABLE { }", "m.str", t, err));
  EXPECT_EQ(t.name, "");

  EXPECT_FALSE(ParseStringTable("STRINGTABLE {\n K \"a\";\n K \"b\"; }", "d.str", t, err));
  EXPECT_EQ(err.ToString(), "d.str:3: K has a second string (first at line 2)");
  EXPECT_FALSE(ParseStringTable("STRINGTABLE {\n K \"a\"\n}", "d.str", t, err));
  EXPECT_EQ(err.ToString(), "d.str:3: expected ';' after the string of K, found '}'");
  EXPECT_FALSE(ParseStringTable("STRINGTABLE {\n K 5; }", "d.str", t, err));
  EXPECT_EQ(err.line, 2);
  EXPECT_FALSE(ParseStringTable("STRINGTABLE { K \"a\";", "d.str", t, err));
  EXPECT_NE(err.message.find("missing '}'"), std::string::npos);
}

// A small description with everything the format offers.
const SymbolMap kSymbols = {
    {"P_SEED", 1000}, {"P_MODE", 1001}, {"P_MODE_A", 0}, {"P_MODE_B", 1}, {"P_ANGLE", 1002},
    {"P_GROUP", 1100}, {"P_INNER", 1101}, {"P_LINK", 1102}, {"P_OTHER", 1000}, {"P_ZERO", 0},
};

const char kGoodRes[] =
    "CONTAINER xdemo\n"                                        // 1
    "{\n"                                                      // 2
    "  NAME xdemo;\n"                                          // 3
    "  INCLUDE Mpreview;\n"                                    // 4
    "  GROUP ID_SHADERPROPERTIES\n"                            // 5
    "  {\n"                                                    // 6
    "    LONG P_SEED { MIN 0; MAX 99; STEP 1; ANIM OFF; }\n"  // 7
    "    LONG P_MODE { CYCLE { P_MODE_A; P_MODE_B; } }\n"     // 8
    "    SEPARATOR { }\n"                                      // 9
    "    GROUP P_GROUP\n"                                      // 10
    "    {\n"                                                  // 11
    "      REAL P_ANGLE { UNIT DEGREE; MINSLIDER -180; MAXSLIDER 180.0; }\n"  // 12
    "      GROUP P_INNER { GRADIENT P_LINK { } }\n"            // 13
    "    }\n"                                                  // 14
    "  }\n"                                                    // 15
    "  INCLUDE Xbase;\n"                                       // 16
    "}\n";

StringTable DemoStrings(const std::string& text) {
  StringTable t;
  ResourceError err;
  EXPECT_TRUE(ParseStringTable(text, "xdemo.str", t, err)) << err.ToString();
  return t;
}

TEST(Description, ExpandsIncludesInPlaceAndNestsGroups) {
  const StringTable strings = DemoStrings(
      "STRINGTABLE xdemo { xdemo \"Demo\"; P_SEED \"Seed\"; P_MODE_B \"Bee\"; }");
  Description d;
  ResourceError err;
  ASSERT_TRUE(ParseDescription(kGoodRes, "xdemo.res", kSymbols, &strings, "xdemo", d, err))
      << err.ToString();
  EXPECT_EQ(d.name, "xdemo");
  EXPECT_EQ(d.title, "Demo");
  EXPECT_EQ(d.includes, (std::vector<std::string>{"Mpreview", "Xbase"}));

  std::vector<std::string> order;
  for (const DescElement& e : d.elements) order.push_back(e.symbol.empty() ? e.kind : e.symbol);
  EXPECT_EQ(order, (std::vector<std::string>{"ID_MATERIAL_PREVIEW", "ID_SHADERPROPERTIES",
                                             "P_SEED", "P_MODE", "SEPARATOR", "P_GROUP", "P_ANGLE",
                                             "P_INNER", "P_LINK", "ID_BASELIST_NAME",
                                             "ID_SHADER_TYPE"}));

  const DescElement& preview = d.elements[0];
  EXPECT_EQ(preview.origin, "Mpreview");
  EXPECT_EQ(preview.line, 4);
  EXPECT_EQ(preview.label, "Preview");
  EXPECT_EQ(d.Find(kIdShaderProperties)->label, "Shader Properties");

  const DescElement* seed = d.Find(1000);
  EXPECT_EQ(seed->label, "Seed");
  EXPECT_EQ(seed->parentGroup, kIdShaderProperties);
  EXPECT_EQ(seed->min, 0.0);
  EXPECT_EQ(seed->max, 99.0);
  EXPECT_TRUE(seed->animOff);
  EXPECT_EQ(seed->line, 7);

  // A missing label is no error, for elements and cycle items alike.
  const DescElement* mode = d.Find(1001);
  EXPECT_EQ(mode->label, "");
  EXPECT_EQ(mode->cycle, (std::vector<std::pair<int32_t, std::string>>{{0, ""}, {1, "Bee"}}));

  const DescElement* angle = d.FindSymbol("P_ANGLE");
  EXPECT_EQ(angle->parentGroup, 1100);
  EXPECT_EQ(angle->minSlider, -180.0);
  EXPECT_NEAR(angle->UnitScale(), 57.29577951308232, 1e-12);
  EXPECT_EQ(d.Find(1102)->parentGroup, 1101);
  EXPECT_EQ(d.Find(1102)->customType, kCustomTypeGradient);
  EXPECT_EQ(d.Find(0), nullptr);
}

struct BadCase {
  std::string body;  // goes inside the shader group, starting at line 4
  int line;
  std::string message;
};

TEST(Description, FaultsNameTheLineAndWhatWasExpected) {
  const BadCase cases[] = {
      {"REAL P_ANGLE { MIN 0.0 }", 4, "expected ';' after MIN value, found '}'"},
      {"REAL P_NOPE { }", 4, "unknown symbol 'P_NOPE'"},
      {"LONG P_SEED { }\nREAL P_OTHER { }", 5,
       "duplicate ID 1000: P_OTHER has the same ID as P_SEED (line 4)"},
      {"STRING ID_BASELIST_NAME { }", 4, "unknown element type 'STRING'"},
      {"REAL P_ANGLE { LIMIT 4; }", 4, "unknown attribute 'LIMIT' in REAL P_ANGLE"},
      {"BOOL P_SEED { MIN 0; }", 4, "MIN is not allowed on BOOL"},
      {"LONG P_SEED { MIN 1; MIN 2; }", 4, "MIN given twice"},
      {"REAL P_ANGLE {\n MIN 5;\n MAX 1;\n}", 7, "MIN 5 is above MAX 1 in REAL P_ANGLE"},
      {"REAL P_ANGLE { STEP 0; }", 4, "STEP must be above 0"},
      {"LONG P_SEED { MAX 1.5; }", 4, "MAX of a LONG must be a 32-bit whole number"},
      {"LONG P_SEED { MAX 9999999999; }", 4, "MAX of a LONG must be a 32-bit whole number"},
      {"REAL P_ANGLE { UNIT METER; }", 4, "unknown unit 'METER'"},
      {"REAL P_ANGLE { ANIM MAYBE; }", 4, "expected OFF or ON after ANIM"},
      {"LONG P_MODE { CYCLE { } }", 4, "the CYCLE of P_MODE has no items"},
      {"LONG P_MODE { CYCLE { P_MODE_A;\n P_ZERO; } }", 5,
       "cycle item P_ZERO has the same value 0 as P_MODE_A"},
      {"LONG P_MODE { CYCLE { P_MODE_C; } }", 4, "unknown symbol 'P_MODE_C'"},
      {"INCLUDE Xbase;", 4, "INCLUDE is only allowed at the top"},
      {"REAL P_ZERO { }", 4, "P_ZERO has ID 0"},
      {"REAL { }", 4, "expected a symbol after REAL, found '{'"},
      {"REAL P_ANGLE;", 4, "expected '{' after REAL P_ANGLE, found ';'"},
      {"42", 4, "expected an element or '}', found '42'"},
  };
  for (const BadCase& c : cases) {
    const std::string text =
        "CONTAINER xdemo\n{\n  GROUP ID_SHADERPROPERTIES {\n" + c.body + "\n  }\n}\n";
    Description d;
    ResourceError err;
    EXPECT_FALSE(ParseDescription(text, "xdemo.res", kSymbols, nullptr, "", d, err)) << c.body;
    EXPECT_EQ(err.file, "xdemo.res");
    EXPECT_EQ(err.line, c.line) << c.body << " -> " << err.ToString();
    EXPECT_NE(err.message.find(c.message), std::string::npos) << err.message;
  }
}

TEST(Description, FaultsOutsideTheElements) {
  struct Case {
    std::string text;
    int line;
    std::string message;
  };
  const Case cases[] = {
      {"CONTAINER xother { }", 1, "CONTAINER 'xother' does not match its file name"},
      {"CONTAINER xdemo {\n INCLUDE Mfancy; }", 2, "unknown description 'Mfancy' in INCLUDE"},
      {"CONTAINER xdemo {\n INCLUDE Xbase;\n INCLUDE Xbase; }", 3, "Xbase is included twice"},
      {"CONTAINER xdemo {\n NAME a;\n NAME b; }", 3, "NAME given twice"},
      {"CONTAINER xdemo {\n GROUP P_GROUP {\n LONG P_SEED { }\n", 4,
       "missing '}' to close GROUP P_GROUP (opened at line 2)"},
      {"CONTAINER xdemo { }\n}", 2, "unexpected '}' after the end of the CONTAINER"},
      {"GROUP xdemo { }", 1, "expected CONTAINER"},
      {"", 1, "expected CONTAINER at the start of the description, found end of file"},
  };
  for (const Case& c : cases) {
    Description d;
    ResourceError err;
    EXPECT_FALSE(ParseDescription(c.text, "xdemo.res", kSymbols, nullptr, "xdemo", d, err))
        << c.text;
    EXPECT_EQ(err.line, c.line) << c.text << " -> " << err.ToString();
    EXPECT_NE(err.message.find(c.message), std::string::npos) << err.message;
  }
}

TEST(Description, StringTableFaultsPointIntoTheStringFile) {
  Description d;
  ResourceError err;
  StringTable strings = DemoStrings("STRINGTABLE xdemo {\n P_SEED \"a\";\n P_TYPO \"b\";\n}");
  EXPECT_FALSE(ParseDescription(kGoodRes, "xdemo.res", kSymbols, &strings, "", d, err));
  EXPECT_EQ(err.ToString(), "xdemo.str:3: unknown symbol 'P_TYPO' (not in the description's header)");

  strings = DemoStrings("STRINGTABLE xelse { }");
  EXPECT_FALSE(ParseDescription(kGoodRes, "xdemo.res", kSymbols, &strings, "", d, err));
  EXPECT_EQ(err.file, "xdemo.str");
  EXPECT_NE(err.message.find("belongs to description 'xdemo'"), std::string::npos);
}

TEST(Description, NestingIsCappedInsteadOfRecursingWithoutEnd) {
  SymbolMap symbols;
  for (int i = 0; i < 50; ++i) symbols["G" + std::to_string(i)] = 2000 + i;
  auto nested = [](int depth) {
    std::string text = "CONTAINER x {\n";
    for (int i = 0; i < depth; ++i) text += "GROUP G" + std::to_string(i % 50) + " {\n";
    for (int i = 0; i < depth; ++i) text += "}\n";
    return text + "}\n";
  };
  Description d;
  ResourceError err;
  EXPECT_TRUE(ParseDescription(nested(kMaxGroupDepth), "x.res", symbols, nullptr, "", d, err))
      << err.ToString();
  EXPECT_EQ(d.FindSymbol("G15")->parentGroup, 2014);
  EXPECT_FALSE(ParseDescription(nested(100000), "x.res", symbols, nullptr, "", d, err));
  EXPECT_EQ(err.line, kMaxGroupDepth + 2);
  EXPECT_NE(err.message.find("nested deeper"), std::string::npos);
}

TEST(Description, TruncatedOrScrambledInputFailsCleanly) {
  const StringTable strings = DemoStrings("STRINGTABLE xdemo { P_SEED \"Seed\"; }");
  const std::string good = kGoodRes;
  // Every cut before the final '}' leaves an incomplete file.
  for (size_t cut = 0; cut + 2 < good.size(); ++cut) {
    Description d;
    ResourceError err;
    EXPECT_FALSE(ParseDescription(good.substr(0, cut), "xdemo.res", kSymbols, &strings, "", d, err))
        << cut;
    EXPECT_FALSE(err.message.empty());
  }
  // Flipped bytes and raw junk: any answer will do as long as a failure says why.
  std::mt19937 rng(12345);
  for (int round = 0; round < 2000; ++round) {
    std::string text = good;
    if (round % 4 == 0) {
      text.assign(static_cast<size_t>(rng() % 300), '\0');
      for (char& ch : text) ch = static_cast<char>(rng());
    } else {
      for (int flips = 0; flips < 3; ++flips) text[rng() % text.size()] = static_cast<char>(rng());
    }
    Description d;
    ResourceError err;
    SymbolMap s;
    StringTable t;
    if (!ParseDescription(text, "xdemo.res", kSymbols, &strings, "", d, err)) {
      EXPECT_FALSE(err.message.empty());
    }
    if (!ParseSymbolHeader(text, "x.h", s, err)) {
      EXPECT_FALSE(err.message.empty());
    }
    if (!ParseStringTable(text, "x.str", t, err)) {
      EXPECT_FALSE(err.message.empty());
    }
  }
}

}  // namespace
}  // namespace ombrel::host
