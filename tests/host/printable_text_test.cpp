// Text shown on a terminal: controls and broken bytes are escaped, characters of any language
// are kept.
#include <gtest/gtest.h>

#include "core/printable_text.h"

namespace ombrel::test {
namespace {

using host::PrintableText;
using host::ShownName;

TEST(PrintableText, EscapesControlsAndKeepsOnlyWellFormedCharacters) {
  EXPECT_EQ(PrintableText("a\x1b[2J\x07\t\x7f"), "a\\x1B[2J\\x07\\x09\\x7F");
  EXPECT_EQ(PrintableText("caf\xc3\xa9"), "caf\\xC3\\xA9");        // ASCII only unless asked
  EXPECT_EQ(PrintableText("caf\xc3\xa9", true), "caf\xc3\xa9");     // é
  EXPECT_EQ(PrintableText("\xe2\x86\x92 \xf0\x9f\x99\x82", true), "\xe2\x86\x92 \xf0\x9f\x99\x82");
  EXPECT_EQ(PrintableText("\xc2\x9b" "2J", true), "\\xC2\\x9B2J");  // U+009B, the 8-bit CSI
  EXPECT_EQ(PrintableText("\x9b" "2J", true), "\\x9B2J");           // a lone continuation byte
  EXPECT_EQ(PrintableText("\xc3", true), "\\xC3");                  // cut short
  EXPECT_EQ(PrintableText("\xc0\xaf", true), "\\xC0\\xAF");         // an overlong '/'
  EXPECT_EQ(PrintableText("\xed\xa0\x80", true), "\\xED\\xA0\\x80");  // a surrogate
  EXPECT_EQ(PrintableText(std::string_view("a\0b", 3)), "a\\x00b");
}

// Names in messages: escaped like any text, and cut after 60 characters (not bytes, and never
// inside a character), with the full size said.
TEST(PrintableText, NamesInMessagesAreCutAfterSixtyCharacters) {
  EXPECT_EQ(ShownName("floor-tiles"), "floor-tiles");
  EXPECT_EQ(ShownName("caf\xe9\x1b[2J"), "caf\\xE9\\x1B[2J");
  EXPECT_EQ(ShownName(std::string(60, 'a')), std::string(60, 'a'));
  EXPECT_EQ(ShownName(std::string(61, 'a')), std::string(60, 'a') + "... (61 bytes)");
  std::string accents;
  for (int i = 0; i < 70; ++i) accents += "\xc3\xa9";
  EXPECT_EQ(ShownName(accents), accents.substr(0, 120) + "... (140 bytes)");
  const std::string huge(5u << 20, 'n');
  EXPECT_EQ(ShownName(huge), std::string(60, 'n') + "... (5242880 bytes)");
}

}  // namespace
}  // namespace ombrel::test
