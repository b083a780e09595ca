#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "framework/Messages.h"
#include "support/TestEnvironment.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

int CountOf(const std::u16string& text, const std::u16string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::u16string::npos;
         at = text.find(part, at + part.size())) {
        ++n;
    }
    return n;
}

TEST(StringTableTest, EveryMessageExistsInBothLanguages) {
    const std::set<UINT> expected = {133, 134, 136, 137, 138, 139, 140, 141, 142, 143,
                                     146, 147, 148, 149, 150, 153, 154, 155, 900, 901,
                                     902, 903, 904, 905, 907, 908, 909, 910, 911, 912};
    std::set<UINT> seen;
    for (const StringEntry& entry : StringTable()) {
        EXPECT_TRUE(seen.insert(entry.nId).second) << "id " << entry.nId << " twice";
        ASSERT_NE(entry.pszEnglish, nullptr);
        ASSERT_NE(entry.pszJapanese, nullptr);
        EXPECT_NE(*entry.pszEnglish, u'\0') << entry.nId;
        EXPECT_NE(*entry.pszJapanese, u'\0') << entry.nId;
    }
    EXPECT_TRUE(std::includes(seen.begin(), seen.end(), expected.begin(), expected.end()));
    EXPECT_EQ(FindString(135, Language::English), nullptr);
    EXPECT_EQ(FindString(906, Language::Japanese), nullptr);
}

TEST(StringTableTest, TextsKeepTheirParticulars) {
    const std::u16string en907 = FindString(907, Language::English);
    const std::u16string ja907 = FindString(907, Language::Japanese);
    EXPECT_EQ(en907, u"Drive is using.\nAborted updating firmware.");
    EXPECT_EQ(CountOf(en907, u"\n"), 1);
    EXPECT_EQ(CountOf(ja907, u"\n\n"), 1) << "an empty line between the sentences in Japanese";
    EXPECT_EQ(std::u16string(FindString(133, Language::English)), u" Searching device ...");
    EXPECT_EQ(FindString(133, Language::Japanese)[0], u' ');
    EXPECT_EQ(std::u16string(FindString(153, Language::English)),
              u"It is not necessary to update this firmware.\n\nOverwrite the firmware?");
    EXPECT_EQ(std::u16string(FindString(900, Language::Japanese)),
              u"バージョン情報が取得できませんでした");
}

TEST(StringTableTest, LanguageFollowsTheFirstLocaleVariableSet) {
    struct Case {
        const char* pszLanguage;
        const char* pszAll;
        const char* pszMessages;
        const char* pszLang;
        Language expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
        {nullptr, nullptr, nullptr, "en_US.UTF-8", Language::English},
        {nullptr, nullptr, nullptr, nullptr, Language::English},
        {"", nullptr, "ja_JP", "en_US", Language::Japanese},  // empty counts as not set
        {nullptr, "C", nullptr, "ja_JP.UTF-8", Language::English},
        {"ja:en", "en_US", nullptr, nullptr, Language::Japanese},
        {nullptr, "ja", "en", "en", Language::Japanese},
        {nullptr, nullptr, nullptr, "jaX", Language::Japanese},
    };
    for (const Case& c : cases) {
        const Language language = DetectLanguage([&](const char* pszName) -> const char* {
            const std::string name = pszName;
            return name == "LANGUAGE"      ? c.pszLanguage
                   : name == "LC_ALL"      ? c.pszAll
                   : name == "LC_MESSAGES" ? c.pszMessages
                   : name == "LANG"        ? c.pszLang
                                           : nullptr;
        });
        EXPECT_EQ(language, c.expected);
    }
}

TEST(StringTableTest, LoadingAMissingIdKeepsTheTarget) {
    CTestEnvironment env;
    std::u16string target = u"kept";
    EXPECT_FALSE(LoadResString(target, 999));
    EXPECT_EQ(target, u"kept");
    EXPECT_TRUE(LoadResString(target, 902));
    EXPECT_EQ(target, u"Read file error.");
    SetCurrentLanguage(Language::Japanese);
    EXPECT_TRUE(LoadResString(target, 902));
    EXPECT_EQ(target, u"読み込みエラー");
}

TEST(StringTableTest, MessageBoxesCarryTheTextTitleKindAndAnswer) {
    CTestEnvironment env;
    SetAppName(u"Firmware Updater Ver.1.02");
    env.messageBoxes.answers = {IDYES, IDNO};
    EXPECT_EQ(ShowMessage(153, MB_KIND_QUESTION), IDYES);
    EXPECT_EQ(ShowMessage(153, MB_KIND_QUESTION), IDNO);
    EXPECT_EQ(ShowMessage(140, MB_KIND_COMPLETION), IDOK);
    EXPECT_EQ(ShowMessage(999, MB_KIND_ERROR), IDOK);
    ASSERT_EQ(env.messageBoxes.shown.size(), 4u);
    EXPECT_EQ(env.messageBoxes.shown[0].nType, 0x34u);
    EXPECT_EQ(env.messageBoxes.shown[0].caption, u"Firmware Updater Ver.1.02");
    EXPECT_EQ(env.messageBoxes.shown[2].nType, 0x40u);
    EXPECT_EQ(env.messageBoxes.shown[2].text, u"Complete to update firmware.");
    EXPECT_EQ(env.messageBoxes.shown[3].nType, 0x10u);
    EXPECT_EQ(env.messageBoxes.shown[3].text, u"") << "a missing text shows an empty box";
}

TEST(StringTableTest, WithoutAServiceQuestionsAreAnsweredNo) {
    SetCurrentMessageBoxes(nullptr);
    EXPECT_EQ(ShowMessage(153, MB_KIND_QUESTION), IDNO);
    EXPECT_EQ(ShowMessage(903, MB_KIND_ERROR), IDOK);
}

}  // namespace
}  // namespace rf::test
