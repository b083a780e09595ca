#include <gtest/gtest.h>

#include <array>

#include "base/VersionRecord.h"
#include "framework/Startup.h"
#include "support/TestEnvironment.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

const VersionRecord* NoRecord() {
    return nullptr;
}

const VersionRecord* RecordWithoutTranslation() {
    static constexpr std::array<VersionValue, 1> kValues = {
        VersionValue{u"\\StringFileInfo\\041103A4\\FileVersion", u"1.02"}};
    static const VersionRecord record{{}, kValues};
    return &record;
}

const VersionRecord* RecordWithoutDescription() {
    static constexpr std::array<VersionTranslation, 1> kTranslations = {
        VersionTranslation{0x0411, 0x03A4}};
    static constexpr std::array<VersionValue, 2> kValues = {
        VersionValue{u"\\StringFileInfo\\041103A4\\FileVersion", u"1.02"},
        VersionValue{u"\\StringFileInfo\\041103A4\\FileDescription", u""}};
    static const VersionRecord record{kTranslations, kValues};
    return &record;
}

// Strings stored under another translation than the first one listed.
const VersionRecord* RecordInOtherTranslation() {
    static constexpr std::array<VersionTranslation, 2> kTranslations = {
        VersionTranslation{0x0409, 0x04B0}, VersionTranslation{0x0411, 0x03A4}};
    static constexpr std::array<VersionValue, 1> kValues = {
        VersionValue{u"\\StringFileInfo\\041103A4\\FileVersion", u"1.02"}};
    static const VersionRecord record{kTranslations, kValues};
    return &record;
}

class VersionRecordTest : public ::testing::Test {
protected:
    CTestEnvironment env;
};

TEST_F(VersionRecordTest, TitleComesFromTheEmbeddedRecord) {
    std::u16string title;
    ASSERT_TRUE(StartApplication({u"/EnableVendorMode"}, title));
    EXPECT_EQ(title, u"Firmware Updater Ver.1.02");
    EXPECT_EQ(AppName(), title) << "every later caption is the title";
    EXPECT_TRUE(theCmdInfo.m_bEnableVendorMode);
    EXPECT_EQ(SelectDialogTemplate(theCmdInfo), IDD_MAIN_DIALOG);
    EXPECT_TRUE(env.messageBoxes.shown.empty());
}

TEST_F(VersionRecordTest, UserDialogWithoutVendorMode) {
    std::u16string title;
    ASSERT_TRUE(StartApplication({}, title));
    EXPECT_EQ(SelectDialogTemplate(theCmdInfo), IDD_USER_DIALOG);
}

TEST_F(VersionRecordTest, MissingOrTranslationlessRecordStopsWithMessage900) {
    for (const VersionRecordProvider provider : {&NoRecord, &RecordWithoutTranslation}) {
        SetVersionRecordProvider(provider);
        SetAppName(u"reflasher");
        env.messageBoxes.shown.clear();
        theCmdInfo = CReflasherCommandLineInfo();
        std::u16string title;
        EXPECT_FALSE(StartApplication({u"/AutoUpdate"}, title));
        ASSERT_EQ(env.messageBoxes.shown.size(), 1u);
        EXPECT_EQ(env.messageBoxes.shown[0].text, u"Can not get version informations.");
        EXPECT_EQ(env.messageBoxes.shown[0].nType, 0x10u);
        EXPECT_EQ(env.messageBoxes.shown[0].caption, u"reflasher")
            << "the executable's name: no title yet";
        EXPECT_FALSE(theCmdInfo.m_bAutoUpdate) << "options are not parsed";
    }
}

TEST_F(VersionRecordTest, MissingOrEmptyKeysGiveEmptyTexts) {
    SetVersionRecordProvider(&RecordWithoutDescription);
    std::u16string title;
    ASSERT_TRUE(StartApplication({}, title));
    EXPECT_EQ(title, u" Ver.1.02");
    EXPECT_EQ(GetVersionString(u"CompanyName"), u"");
}

TEST_F(VersionRecordTest, OnlyTheFirstTranslationIsLookedIn) {
    SetVersionRecordProvider(&RecordInOtherTranslation);
    ASSERT_TRUE(OpenVersionInfo());
    EXPECT_EQ(GetVersionString(u"FileVersion"), u"");
}

TEST_F(VersionRecordTest, NothingIsReadWhileNoRecordIsOpen) {
    ASSERT_TRUE(OpenVersionInfo());
    EXPECT_EQ(GetVersionString(u"FileVersion"), u"1.02");
    CloseVersionInfo();
    EXPECT_EQ(GetVersionString(u"FileVersion"), u"");
    EXPECT_EQ(GetVersionString(nullptr), u"");
}

}  // namespace
}  // namespace rf::test
