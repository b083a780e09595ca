#include <gtest/gtest.h>

#include "base/Text.h"
#include "base/TextWidth.h"

namespace rf::test {
namespace {

TEST(TextTest, Utf8AndUtf16RoundTrip) {
    const std::u16string text = u"ファームウェア A\u00e9 \U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(TextTest, BrokenInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE3\x83"), u"\uFFFD");      // cut short
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");      // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // an encoded surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(TextTest, BytesWidenOneToOne) {
    const BYTE bytes[] = {'A', 0xB1, 0xFF};
    const std::u16string text = WidenBytes(bytes, 3);
    EXPECT_EQ(text, (std::u16string{u'A', char16_t(0xB1), char16_t(0xFF)}));
}

TEST(TextTest, TrimAndHex) {
    EXPECT_EQ(Trim(u"  \tKESTREL DVX \r\n"), u"KESTREL DVX");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(Hex(0x27, 4), u"0027");
    EXPECT_EQ(Hex(0xC018, 4), u"C018");
}

// Terminal tables pad by columns: kana and kanji take two, a combining mark
// none, a surrogate pair one glyph; the Windows table and the C library's
// widths must agree on these.
TEST(TextTest, DisplayWidthCountsTerminalColumns) {
    EXPECT_EQ(DisplayWidth(u"SEEPROM"), 7u);
    EXPECT_EQ(DisplayWidth(u"ファームウェア"), 14u);
    EXPECT_EQ(DisplayWidth(u"e\u0301"), 1u);
    EXPECT_EQ(DisplayWidth(u"\U00020B9F"), 2u);
    EXPECT_EQ(PadToWidth(u"版", 6), u"版    ");
    EXPECT_EQ(DisplayWidth(PadToWidth(u"書き込み", 12)), 12u);
    EXPECT_EQ(PadToWidth(u"ABCDEF", 4), u"ABCDEF ");
}

}  // namespace
}  // namespace rf::test
