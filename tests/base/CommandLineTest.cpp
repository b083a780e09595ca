#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CommandLine.h"

namespace rf::test {
namespace {

CReflasherCommandLineInfo Parse(const std::vector<std::u16string>& args) {
    CReflasherCommandLineInfo info;
    ParseCommandLine(info, args);
    return info;
}

bool AnyFlagSet(const CReflasherCommandLineInfo& info) {
    return info.m_bAutoUpdate || info.m_bEnableVendorMode || info.m_bEnableAllProducts ||
           info.m_bDisableResetUI || info.m_bIgnoreLockDrivesError;
}

TEST(CommandLineTest, WithoutOptionsOnlyForceAmdRomIsSet) {
    const CReflasherCommandLineInfo info = Parse({});
    EXPECT_FALSE(AnyFlagSet(info));
    EXPECT_TRUE(info.m_bForceAmdRom);
    EXPECT_TRUE(info.m_strUIResourceFile.empty());
}

TEST(CommandLineTest, KeywordsTakeEitherPrefixAndAnyCase) {
    EXPECT_TRUE(Parse({u"/autoupdate"}).m_bAutoUpdate);
    EXPECT_TRUE(Parse({u"-AUTOUPDATE"}).m_bAutoUpdate);
    const CReflasherCommandLineInfo info =
        Parse({u"/EnableVendorMode", u"-enableallproducts", u"/ForceAmdRom", u"-DisableResetUI",
               u"/IGNORELOCKDRIVESERROR"});
    EXPECT_TRUE(info.m_bEnableVendorMode);
    EXPECT_TRUE(info.m_bEnableAllProducts);
    EXPECT_TRUE(info.m_bForceAmdRom);
    EXPECT_TRUE(info.m_bDisableResetUI);
    EXPECT_TRUE(info.m_bIgnoreLockDrivesError);
    EXPECT_FALSE(info.m_bAutoUpdate);
}

TEST(CommandLineTest, KeywordsMustMatchTheWholeOption) {
    EXPECT_FALSE(Parse({u"/AutoUpdate=1"}).m_bAutoUpdate);
    EXPECT_FALSE(Parse({u"/AutoUpdates"}).m_bAutoUpdate);
    EXPECT_FALSE(Parse({u"/Auto"}).m_bAutoUpdate);
    EXPECT_FALSE(Parse({u"AutoUpdate"}).m_bAutoUpdate) << "without a prefix it is not an option";
}

TEST(CommandLineTest, ResourceFileValueIsEverythingAfterTheFirstEquals) {
    EXPECT_EQ(Parse({u"/UIRSC=data\\rsc=2.bin"}).m_strUIResourceFile, u"data\\rsc=2.bin");
    EXPECT_EQ(Parse({u"-uirsc=/home/user/リソース.bin"}).m_strUIResourceFile,
              u"/home/user/リソース.bin");
    EXPECT_TRUE(Parse({u"/uirsc="}).m_strUIResourceFile.empty());
    EXPECT_EQ(Parse({u"/UIRSC=first.bin", u"/UIRSC=second.bin"}).m_strUIResourceFile,
              u"second.bin");
    EXPECT_TRUE(Parse({u"UIRSC=plain.bin"}).m_strUIResourceFile.empty());
}

TEST(CommandLineTest, OtherNamedValuesAreAcceptedAndChangeNothing) {
    for (const char16_t* pszArg : {u"/ROM=x.bin", u"/HOST=x.bin", u"/UIROM=x.bin", u"/Foo=bar",
                                   u"/Foo", u"file.bin", u"/", u"-", u""}) {
        const CReflasherCommandLineInfo info = Parse({pszArg});
        EXPECT_FALSE(AnyFlagSet(info))
            << std::string(pszArg, pszArg + std::char_traits<char16_t>::length(pszArg));
        EXPECT_TRUE(info.m_strUIResourceFile.empty());
        EXPECT_TRUE(info.m_bForceAmdRom);
    }
}

TEST(CommandLineTest, LongOptionsAreHandledSafely) {
    // A name must fit the 256-character name buffer with its terminator.
    EXPECT_FALSE(AnyFlagSet(Parse({u"/" + std::u16string(300, u'A')})));
    EXPECT_FALSE(AnyFlagSet(Parse({u"/" + std::u16string(256, u'A')})));
    EXPECT_TRUE(Parse({u"/UIRSC" + std::u16string(250, u' ') + u"=x"}).m_strUIResourceFile.empty());
    const std::u16string longValue(5000, u'v');
    EXPECT_EQ(Parse({u"/UIRSC=" + longValue}).m_strUIResourceFile, longValue);
}

TEST(CommandLineTest, FlagsStaySetWhenGivenTwice) {
    const CReflasherCommandLineInfo info =
        Parse({u"/AutoUpdate", u"/AutoUpdate=0", u"-autoupdate"});
    EXPECT_TRUE(info.m_bAutoUpdate);
}

}  // namespace
}  // namespace rf::test
