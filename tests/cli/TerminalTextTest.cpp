// The terminal's tables and progress lines: widths, alignment and what a
// line in a pipe says.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/Text.h"
#include "base/TextWidth.h"
#include "cli/TerminalProgress.h"
#include "cli/TextTable.h"

namespace rf {
namespace {

std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    for (std::size_t nStart = 0, nEnd; (nEnd = text.find(u'\n', nStart)) != std::u16string::npos;
         nStart = nEnd + 1) {
        lines.push_back(text.substr(nStart, nEnd - nStart));
    }
    return lines;
}

TEST(TerminalTextTest, TablesAlignByDisplayWidthAndStayNarrowerThanTheTerminal) {
    const TableRows rows{
        {u"ドライブ", u"ms", u"メッセージ"},
        {u"sdb", u"4036", u"short"},
        {u"sdc", u"90", u"ファームウェアを正常に更新できました。一旦、電源を切ってください"}};
    const std::vector<std::u16string> lines = Lines(FormatTable(rows, 40, {1}));
    ASSERT_GE(lines.size(), 4u) << "the long message goes on over further lines";
    EXPECT_EQ(lines[1], u"sdb       4036  short");
    EXPECT_EQ(lines[2].substr(0, 16), u"sdc         90  ") << "numbers end in one column";
    std::u16string message;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        EXPECT_LT(DisplayWidth(lines[i]), 40u) << Utf16ToUtf8(lines[i]);
        message += lines[i].substr(i == 2 ? 16 : 0);
    }
    EXPECT_NE(message.find(u"ファームウェアを正常に"), std::u16string::npos);
    EXPECT_NE(message.find(u"切ってください"), std::u16string::npos) << "nothing of it lost";

    const std::vector<std::u16string> cut = Lines(FormatTable(rows, 40, {1}, TableOverflow::Cut));
    ASSERT_EQ(cut.size(), 3u) << "a view redrawn in place keeps one line a row";
    EXPECT_LT(DisplayWidth(cut[2]), 40u);
    EXPECT_EQ(cut[2].back(), u'~');
}

TEST(TerminalTextTest, PlaceholdersTakeTheirValuesInAnyOrder) {
    EXPECT_EQ(FillPlaceholders(u"%2 of %1, %3 %", {u"a", u"b"}), u"b of a, %3 %");
}

TEST(TerminalTextTest, PlainProgressNamesItsStageGoesOnlyForwardAndEndsAtTheStagesEnd) {
    std::ostringstream out;
    CTerminalProgress progress(out, CTerminalProgress::Form::Plain);
    progress.OnTextChanged(u"Checking firmware(SEEPROM - Host)...");
    progress.OnRangeChanged(0, 100);
    progress.OnPosChanged(100);
    // A second bar within the same stage.
    progress.OnRangeChanged(0, 10);
    progress.OnPosChanged(0);
    progress.OnPosChanged(10);
    progress.OnTextChanged(u"Updating firmware(SPIROM - UI)...");
    progress.OnRangeChanged(0, 1000);
    progress.OnPosChanged(999);
    progress.OnTextChanged(u"Checking firmware(SPIROM - UI)...");
    EXPECT_EQ(out.str(),
              "Checking firmware(SEEPROM - Host)...\n"
              "  Checking firmware(SEEPROM - Host): 100 %\n"
              "Updating firmware(SPIROM - UI)...\n"
              "  Updating firmware(SPIROM - UI): 99 %\n"
              "  Updating firmware(SPIROM - UI): 100 %\n"
              "Checking firmware(SPIROM - UI)...\n");
}

}  // namespace
}  // namespace rf
