// update --plan against the emulated enclosure: its times against what the
// update then takes, and that it leaves the unit as it found it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "base/Text.h"
#include "device/ScsiDevice.h"
#include "firmware/ImageCatalogue.h"
#include "support/CliFixture.h"
#include "text/StringTable.h"
#include "update/PlannedUpdate.h"

namespace rf::test {
namespace {

// The first number after the pattern, or -1.
long long NumberAfter(const std::string& text, const std::string& strPattern) {
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(strPattern + "([0-9]+)"))) {
        return -1;
    }
    return std::stoll(match[1].str());
}

class PlanCliTest : public CCliFixture {
protected:
    void SetUp() override {
        if (CarriesVendorImages()) {
            GTEST_SKIP() << "the build carries the maker's images";
        }
    }
    void Reset(std::vector<std::u16string> args) {
        args.insert(args.begin(), {u"emulator", u"reset", Emulate()});
        ASSERT_EQ(Run(args).nExit, 0);
    }
    std::string Directory() const { return files.Root() + "/enclosure"; }
    std::u16string Emulate() const { return Utf8ToUtf16("--emulate=" + Directory()); }
    std::u16string TraceOption(const std::string& strName) const {
        return Utf8ToUtf16("--trace=" + files.Root() + "/" + strName);
    }
    std::string Trace(const std::string& strName) const {
        return ReadFileText(files.Root() + "/" + strName);
    }
};

struct AccuracyCase {
    const char16_t* pszPreset;
    const char16_t* pszFlashChip;  // null: the preset's
    // A front panel that never had firmware never had a name either.
    bool bNeverNamed = false;
};

TEST_F(PlanCliTest, ThePlannedTimeIsWhatTheUpdateThenTakes) {
    constexpr AccuracyCase kCases[] = {
        {u"row1", nullptr},
        {u"row2", nullptr},
        {u"rom-mode", u"SST SST39VF020"},   // sector erase
        {u"rom-mode", u"AMD AM29LV010B"},   // chip erase
        {u"rom-mode", u"ATMEL AT29LV010"},  // page write
        {u"usb11", nullptr},
        {u"ui-state0", nullptr, true},
    };
    for (const AccuracyCase& c : kCases) {
        SCOPED_TRACE(Utf16ToUtf8(c.pszPreset) +
                     (c.pszFlashChip != nullptr ? " " + Utf16ToUtf8(c.pszFlashChip) : ""));
        std::vector<std::u16string> reset = {u"--preset", c.pszPreset};
        if (c.pszFlashChip != nullptr) {
            reset.insert(reset.end(), {u"--flash-chip", c.pszFlashChip});
        }
        Reset(reset);
        std::vector<std::u16string> plan = {u"update", u"--plan", u"--json", Emulate()};
        std::vector<std::u16string> update = {u"update", u"--yes", u"--stats", Emulate()};
        if (c.bNeverNamed) {
            plan.push_back(u"/IgnoreMissingUnitName");
            update.push_back(u"/IgnoreMissingUnitName");
        }
        const CliRun planned = Run(plan);
        ASSERT_EQ(planned.nExit, 0) << planned.strErr;
        const CliRun updated = Run(update);
        ASSERT_EQ(updated.nExit, 0) << updated.strErr;

        const long long nPlanned = NumberAfter(planned.strOut, "\"total_ms\":");
        const long long nMeasured = NumberAfter(updated.strOut, "device time ");
        ASSERT_GT(nMeasured, 0) << updated.strOut;
        EXPECT_LE(std::llabs(nPlanned - nMeasured) * 20, nMeasured)
            << "planned " << nPlanned << " ms, measured " << nMeasured << " ms";
        // It ends with the update's own result (155 after a bridge without firmware).
        EXPECT_EQ(NumberAfter(planned.strOut, "\"message_id\":"),
                  c.pszFlashChip != nullptr ? 155 : 140);
    }
}

TEST_F(PlanCliTest, ARealUnitIsReadAsInfoReadsItAndLeftByteForByteAsItWas) {
    Reset({u"--as-real-unit"});
    const auto before = DirectorySnapshot(Directory());
    ASSERT_EQ(Run({u"info", Emulate(), TraceOption("info")}).nExit, 0);

    const CliRun plan = Run({u"update", u"--plan", Emulate(), TraceOption("plan")});
    // The carried test images are refused on a real unit: by the plan as by
    // the update, after the steps the update would have written.
    EXPECT_EQ(plan.nExit, 2);
    EXPECT_NE(plan.strErr.find("test images, made for the emulated enclosure only"),
              std::string::npos)
        << plan.strErr;
    EXPECT_NE(plan.strOut.find("Updating firmware(SEEPROM - Host)..."), std::string::npos)
        << plan.strOut;
    EXPECT_EQ(Trace("plan"), Trace("info")) << "only identification and version reads";
    EXPECT_EQ(DirectorySnapshot(Directory()), before)
        << "the saved enclosure is byte for byte what it was";
    // The twin's update kept and forgot the front panel's block in a journal
    // of its own, never in the unit's.
    EXPECT_FALSE(std::filesystem::exists(env.stateDirectory.Root() + "/reflasher/journal"));
}

// The timed reads that tell whether a page-write chip can be written over
// this link only read: the plan makes them, and refuses as the update does.
TEST_F(PlanCliTest, ThePlanRefusesAPageWriteChipOnASlowLinkAsTheUpdateDoes) {
    for (const char16_t* pszLink : {u"usb2-slow", u"usb11"}) {
        Reset({u"--preset", u"rom-mode", u"--flash-chip", u"ATMEL AT29LV010", u"--link", pszLink});
        const auto before = DirectorySnapshot(Directory());
        const CliRun plan = Run({u"update", u"--plan", u"--json", Emulate()});
        EXPECT_EQ(plan.nExit, 2) << plan.strErr;
        EXPECT_EQ(NumberAfter(plan.strOut, "\"message_id\":"), IDS_ERR_FLASH_LINK_TOO_SLOW);
        // No step after the one the update would stop at; the total no
        // less than its parts.
        std::smatch stop;
        if (std::regex_search(plan.strOut, stop, std::regex("\"failure_id\":[0-9]"))) {
            EXPECT_EQ(plan.strOut.find("\"memory\"", static_cast<std::size_t>(stop.position(0))),
                      std::string::npos)
                << plan.strOut;
        }
        long long nParts = NumberAfter(plan.strOut, "\"other_ms\":");
        std::string rest = plan.strOut;
        for (long long nStep; (nStep = NumberAfter(rest, "\"estimated_ms\":")) >= 0;) {
            nParts += nStep;
            rest = rest.substr(rest.find("\"estimated_ms\":") + 15);
        }
        EXPECT_GE(NumberAfter(plan.strOut, "\"total_ms\":") + 5, nParts) << plan.strOut;
        EXPECT_EQ(DirectorySnapshot(Directory()), before);
        const CliRun update = Run({u"update", u"--yes", u"--json", Emulate()});
        EXPECT_EQ(NumberAfter(update.strOut, "\"message_id\":"), IDS_ERR_FLASH_LINK_TOO_SLOW);
        EXPECT_EQ(update.nExit, 2);
    }
}

TEST_F(PlanCliTest, WhenNothingIsNewerItNamesTheQuestionAndWhatYesWouldWrite) {
    Reset({u"--preset", u"current"});
    const CliRun plan = Run({u"update", u"--plan", u"--json", Emulate()});
    EXPECT_EQ(plan.nExit, 0) << plan.strErr;
    EXPECT_EQ(NumberAfter(plan.strOut, "\"message_id\":"), 153);
    EXPECT_NE(plan.strOut.find("Overwrite the firmware?"), std::string::npos);
    for (const char* pszMemory : {"host", "flash", "resource", "ui"}) {
        EXPECT_NE(plan.strOut.find("\"memory\":\"" + std::string(pszMemory) + "\""),
                  std::string::npos)
            << pszMemory;
    }
}

TEST_F(PlanCliTest, BadInputIsRefusedAsTheUpdateRefusesIt) {
    Reset({});
    const auto before = DirectorySnapshot(Directory());
    const std::u16string badPackage = u"--firmware=" + Utf8ToUtf16(files.Root() + "/none.cab");
    const CliRun plan = Run({u"update", u"--plan", badPackage, Emulate()});
    const CliRun update = Run({u"update", badPackage, Emulate()});
    EXPECT_EQ(plan.nExit, update.nExit);
    EXPECT_EQ(plan.strErr, update.strErr);
    EXPECT_NE(plan.nExit, 0);

    EXPECT_EQ(Run({u"update", u"--plan", u"--link=usb3", Emulate()}).nExit, 2);
    EXPECT_EQ(Run({u"info", u"--plan", Emulate()}).nExit, 2);
    EXPECT_EQ(DirectorySnapshot(Directory()), before);
}

TEST(PlanLinkTest, ARealUnitsBusStandsForTheFastHostOfItsKind) {
    emu::CEmulatedDeviceSystem system;
    CScsiDevice device(system);
    const struct {
        int nBusType;
        const char16_t* pszBusName;
        const char* pszProfile;
    } kCases[] = {
        {BusTypeUsb, u"USB2.0", "usb2"},  {BusTypeUsb, u"USB1.1", "usb11"},
        {BusTypeUsb, u"USB3.0", "usb2"},  {BusType1394, u"IEEE1394", "ieee1394"},
        {BusTypeScsi, u"SCSI-2", "scsi"},
    };
    for (const auto& c : kCases) {
        device.m_nBusType = c.nBusType;
        device.m_strBusName = c.pszBusName;
        EXPECT_STREQ(LinkProfileOf(device).pszName, c.pszProfile) << Utf16ToUtf8(c.pszBusName);
    }
}

}  // namespace
}  // namespace rf::test
