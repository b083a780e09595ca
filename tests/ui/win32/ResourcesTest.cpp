// The resources of reflasher.exe read back through the system's resource
// functions: what the build made of the string table, the version record
// and the carried images must be what the rest of the program holds.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "ProgramResources.h"
#include "base/VersionRecord.h"
#include "firmware/FirmwareImages.h"
#include "framework/Messages.h"
#include "framework/Startup.h"
#include "images/ImageResources.h"
#include "images/RomFlash.h"
#include "text/StringTable.h"
#include "ui/win32/resources/ResourceReaders.h"

#include "ui/win32/SystemHeaders.h"

namespace rf::test {
namespace {

class CRecordedMessageBoxes final : public IMessageBoxService {
public:
    int Show(const std::u16string& text, const std::u16string&, UINT) override {
        texts.push_back(text);
        return IDOK;
    }
    std::vector<std::u16string> texts;
};

TEST(ProgramResourcesTest, StringTablesReadBackAsTheCatalogueInBothLanguages) {
    CProgramResources resources;
    ASSERT_NE(resources.Module(), nullptr);
    for (const StringEntry& entry : StringTable()) {
        std::u16string english;
        std::u16string japanese;
        ASSERT_TRUE(LoadStringResource(resources.Module(), entry.nId, Language::English, english))
            << entry.nId;
        ASSERT_TRUE(LoadStringResource(resources.Module(), entry.nId, Language::Japanese, japanese))
            << entry.nId;
        EXPECT_EQ(english, entry.pszEnglish) << entry.nId;
        EXPECT_EQ(japanese, entry.pszJapanese) << entry.nId;
    }

    // LoadResString now reads the resources, in the current language; an id
    // without a string leaves the target as it was.
    SetCurrentLanguage(Language::Japanese);
    EXPECT_EQ(LoadResString(IDS_ERR_DRIVE_IN_USE),
              u"ドライブが使用中です。\n\nファームウェアの更新を中止しました。");
    SetCurrentLanguage(Language::English);
    EXPECT_EQ(LoadResString(IDS_ERR_DRIVE_IN_USE), u"Drive is using.\nAborted updating firmware.");
    std::u16string kept = u"kept";
    EXPECT_FALSE(LoadResString(kept, 135));  // in a block that exists, but not in the table
    EXPECT_FALSE(LoadResString(kept, 70000));
    EXPECT_EQ(kept, u"kept");
}

TEST(ProgramResourcesTest, VersionRecordMakesTheTitleAndAProgramWithoutOneDoesNotStart) {
    CProgramResources resources;
    std::u16string title;
    ASSERT_TRUE(StartApplication({}, title));
    EXPECT_EQ(title, u"Firmware Updater Ver.1.02");
    EXPECT_EQ(GetVersionString(u"ProductVersion"), u"1.02");
    EXPECT_EQ(GetVersionString(u"Comments"), u"");
    CloseVersionInfo();

    // The same texts, with the version record of this test program, which
    // has none.
    UseProgramResources(resources.Module(), TestProgramPath());
    CRecordedMessageBoxes boxes;
    CScopedMessageBoxes scopedBoxes(boxes);
    EXPECT_FALSE(StartApplication({}, title));
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], u"Can not get version informations.");
}

TEST(ProgramResourcesTest, CarriedImagesAreTheBuiltInImagesByteForByte) {
    CProgramResources resources;
    for (const UINT nId :
         {IDR_SEEPROM_HOST, IDR_BRIDGE_FIRMWARE, IDR_UI_FIRMWARE, IDR_UI_RESOURCE}) {
        const std::span<const BYTE> resource = FindImageResource(nId);
        const std::span<const BYTE> builtIn = FindFirmwareImage(nId);
        ASSERT_FALSE(builtIn.empty());
        EXPECT_TRUE(std::equal(resource.begin(), resource.end(), builtIn.begin(), builtIn.end()))
            << nId;
    }
    EXPECT_TRUE(FindImageResource(IDR_BRIDGE_FIRMWARE_0024).empty());  // not carried

    // The image objects load from the resources: the bridge firmware's
    // size rounded up to whole 512-byte pages.
    const CRom_Flash rom;
    EXPECT_EQ(rom.m_nDataSize, (FindFirmwareImage(IDR_BRIDGE_FIRMWARE).size() + 511) / 512 * 512);
}

TEST(ProgramResourcesTest, ManifestAsksForAdministratorRightsAndCommonControls6) {
    CProgramResources resources;
    HRSRC hInfo = FindResourceW(resources.Module(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(hInfo, nullptr);
    const auto* pText =
        static_cast<const char*>(LockResource(LoadResource(resources.Module(), hInfo)));
    const std::string_view manifest(pText, SizeofResource(resources.Module(), hInfo));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string_view::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string_view::npos);
}

}  // namespace
}  // namespace rf::test
