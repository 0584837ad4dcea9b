// Text shown on a terminal: controls and broken bytes are escaped, characters of any language
// are kept.
#include <gtest/gtest.h>

#include "core/printable_text.h"

namespace ombrel::test {
namespace {

using host::PrintableText;

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

}  // namespace
}  // namespace ombrel::test
