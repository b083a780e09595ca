#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "base/Text.h"
#include "emulation/EmulatedUnits.h"
#include "emulation/EmulatorPresets.h"
#include "emulation/EmulatorReset.h"
#include "emulation/TwinFromBackup.h"
#include "emulator/EnclosureStore.h"
#include "support/TempFiles.h"
#include "support/TestEnvironment.h"

namespace rf::test {

namespace {

class EmulatorResetTest : public ::testing::Test {
protected:
    EmulatorReset Request(const std::string& strUnits = "1") const {
        EmulatorReset reset;
        reset.strDirectory = strDirectory;
        reset.strUnits = strUnits;
        return reset;
    }

    CTestEnvironment env;
    CTempFiles files;
    const std::string strDirectory = files.Root() + "/enclosure";
};

}  // namespace

TEST_F(EmulatorResetTest, ARowOfUnitsEachWithItsOwnSerialAndAShorterResetRemovesTheRest) {
    const EmulatorResetResult row = ResetEmulatedEnclosures(Request("3"));
    ASSERT_EQ(row.outcome, ResetOutcome::Done) << row.strError;
    EXPECT_EQ(CountEmulatedUnits(strDirectory), 3);
    std::set<std::u16string> serials;
    for (int nUnit = 1; nUnit <= 3; ++nUnit) {
        std::string strError;
        const auto pUnit = emu::LoadEnclosure(EmulatedUnitDirectory(strDirectory, nUnit), strError);
        ASSERT_NE(pUnit, nullptr) << strError;
        serials.insert(EmulatedUnitSerial(*pUnit));
    }
    EXPECT_EQ(serials.size(), 3u);
    const std::string strText = Utf16ToUtf8(EmulatorResetText(Request("3"), row));
    EXPECT_NE(strText.find(kDefaultPreset), std::string::npos) << strText;
    EXPECT_NE(strText.find(strDirectory), std::string::npos) << strText;

    ASSERT_EQ(ResetEmulatedEnclosures(Request("1")).outcome, ResetOutcome::Done);
    EXPECT_EQ(CountEmulatedUnits(strDirectory), 1);
    EXPECT_FALSE(std::filesystem::exists(EmulatedUnitDirectory(strDirectory, 2)));
}

TEST_F(EmulatorResetTest, ARefusedResetLeavesTheDirectoryAlone) {
    EmulatorReset unknownPreset = Request();
    unknownPreset.strPreset = "row99";
    EmulatorReset unknownChip = Request();
    unknownChip.strFlashChip = "NO SUCH CHIP";
    EmulatorReset unknownLink = Request();
    unknownLink.link = "carrier-pigeon";
    const struct {
        const char* pszCase;
        EmulatorReset reset;
        ResetOutcome outcome;
        bool bListsPresets;
    } cases[] = {
        {"no units", Request("0"), ResetOutcome::BadUnitCount, false},
        {"too many units", Request("65"), ResetOutcome::BadUnitCount, false},
        {"not a count", Request("two"), ResetOutcome::BadUnitCount, false},
        {"preset", unknownPreset, ResetOutcome::NotMade, true},
        {"chip", unknownChip, ResetOutcome::NotMade, true},
        {"link", unknownLink, ResetOutcome::NotMade, false},
    };
    for (const auto& c : cases) {
        const EmulatorResetResult result = ResetEmulatedEnclosures(c.reset);
        EXPECT_EQ(result.outcome, c.outcome) << c.pszCase;
        EXPECT_EQ(result.bUnknownPreset, c.bListsPresets) << c.pszCase;
        EXPECT_FALSE(std::filesystem::exists(strDirectory)) << c.pszCase;
        const std::string strText = Utf16ToUtf8(EmulatorResetText(c.reset, result));
        EXPECT_EQ(strText.find(kDefaultPreset) != std::string::npos, c.bListsPresets)
            << c.pszCase << ": " << strText;
    }
}

TEST_F(EmulatorResetTest, AResetEnclosureIsNoTwinAnyMore) {
    ASSERT_EQ(ResetEmulatedEnclosures(Request()).outcome, ResetOutcome::Done);
    std::string strError;
    ASSERT_TRUE(
        SaveTwinProvenance(strDirectory, TwinProvenance{"/backup", {kModelledLink}}, strError))
        << strError;
    ASSERT_TRUE(ReadTwinProvenance(strDirectory));
    ASSERT_EQ(ResetEmulatedEnclosures(Request()).outcome, ResetOutcome::Done);
    EXPECT_FALSE(ReadTwinProvenance(strDirectory));
}

TEST_F(EmulatorResetTest, EveryPresetMakesAnEnclosureAndKeepsItsMarkUnlessAskedNotTo) {
    for (const EmulatorPreset& preset : EmulatorPresets()) {
        std::string strError;
        const auto pEnclosure = MakeEmulatedEnclosure(preset.pszName, "", "", strError);
        ASSERT_NE(pEnclosure, nullptr) << preset.pszName << ": " << strError;
        EXPECT_TRUE(pEnclosure->HasEmulatedMark()) << preset.pszName;
    }
    EmulatorReset real = Request();
    real.bAsRealUnit = true;
    ASSERT_EQ(ResetEmulatedEnclosures(real).outcome, ResetOutcome::Done);
    std::string strError;
    const auto pLoaded = emu::LoadEnclosure(strDirectory, strError);
    ASSERT_NE(pLoaded, nullptr) << strError;
    EXPECT_FALSE(pLoaded->HasEmulatedMark());
}

}  // namespace rf::test
