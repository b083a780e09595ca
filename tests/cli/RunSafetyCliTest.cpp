// An update that cannot be run is refused before it changes anything, a run
// is not cut by an interrupt, and a plan or a rehearsal leaves the user's
// journal as it found it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CommandLine.h"
#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "support/CliFixture.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

std::vector<BYTE> Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return std::vector<BYTE>(image.begin(), image.end());
}

class RunSafetyCliTest : public CCliFixture {
protected:
    // Each run as a process of its own: with the updater's options it was given alone.
    CliRun Run(const std::vector<std::u16string>& args) {
        theCmdInfo = CReflasherCommandLineInfo();
        return CCliFixture::Run(args);
    }
    std::string Directory() const { return files.Root() + "/enclosure"; }
    std::u16string Emulate() const { return Utf8ToUtf16("--emulate=" + Directory()); }
    void Reset(std::vector<std::u16string> args) {
        args.insert(args.begin(), {u"emulator", u"reset", Emulate()});
        ASSERT_EQ(Run(args).nExit, 0);
    }
    std::string Info() { return Run({u"info", Emulate()}).strOut; }
};

TEST_F(RunSafetyCliTest, WhatCannotBeWrittenWhollyIsRefusedBeforeAnythingChanges) {
    std::vector<BYTE> bigUi = Carried(IDR_UI_FIRMWARE);
    bigUi.resize(0xF001, 0xFF);  // one byte more than the controller's flash
    std::vector<BYTE> bigResource = Carried(IDR_UI_RESOURCE);
    bigResource[8] = 0x24;  // newer than the carried one, so it alone is written
    bigResource.resize(0x20001, 0);
    const std::vector<BYTE> notes = {'n', 'o', 't', 'e', 's', '\n'};
    const std::u16string text = files.Write("notes.txt", notes);
    struct Case {
        const char* pszWhat;
        std::vector<std::u16string> reset;
        std::vector<std::u16string> update;
        UINT nMessage;
        const char* pszDetail;
    };
    const Case cases[] = {
        {"a text file as the resource data",
         {},
         {u"/UIRSC=" + text},
         IDS_ERR_IMAGE_NOT_VALID,
         "UI resource data: the file is too short"},
        {"a text file loaded in vendor mode",
         {},
         {u"--vendor", u"--load", u"host=" + text},
         IDS_ERR_IMAGE_NOT_VALID,
         "SEEPROM(Host): the file is too short"},
        {"a UI firmware larger than the controller's flash",
         {},
         {u"--vendor", u"--load", u"ui=" + files.Write("ui.bin", bigUi)},
         IDS_ERR_IMAGE_TOO_LARGE,
         "UI firmware: 61441 bytes; the memory holds 61440"},
        // The SPI flash is identified inside the run: refused before its erase.
        {"resource data larger than the SPI flash",
         {u"--preset", u"current", u"--spi-chip", u"WINBOND W25X10A"},
         {u"--vendor", u"--load", u"resource=" + files.Write("rsc.bin", bigResource)},
         IDS_ERR_IMAGE_TOO_LARGE,
         "UI resource data: 131073 bytes; the memory holds 131072"},
        // The information block's read (command 17) is refused.
        {"the unit's name not read",
         {},
         {u"--emulate-fault", u"check-condition:17"},
         IDS_ERR_UNIT_NAME_NOT_READ,
         ""},
        // A front panel without firmware, and no copy of its name kept.
        {"the unit's name kept nowhere",
         {u"--preset", u"ui-state0"},
         {},
         IDS_ERR_UNIT_NAME_NOT_KEPT,
         "journal\"}"},  // the directory that has no entry
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        Reset(c.reset);
        const std::string strInfo = Info();
        const auto before = DirectorySnapshot(Directory());
        std::vector<std::u16string> update = {u"update", u"--yes", u"--json", Emulate()};
        update.insert(update.end(), c.update.begin(), c.update.end());
        const CliRun run = Run(update);
        EXPECT_NE(run.nExit, 0);
        EXPECT_NE(run.strOut.find("\"message_id\":" + std::to_string(c.nMessage)),
                  std::string::npos)
            << run.strOut << run.strErr;
        EXPECT_NE(run.strOut.find(c.pszDetail), std::string::npos) << run.strOut;
        EXPECT_EQ(run.strOut.find("\"result\":\"success\""), std::string::npos);
        EXPECT_EQ(DirectorySnapshot(Directory()), before) << "the enclosure changed";
        EXPECT_EQ(Info(), strInfo);
    }
}

TEST_F(RunSafetyCliTest, AnInterruptDuringTheFrontPanelsWriteLeavesAWholeUpdate) {
    Reset({});
    // Command 13100 programs the front panel's flash.
    const CliRun run =
        Run({u"update", u"--yes", Emulate(), u"--emulate-fault", u"interrupt:13100"});
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    EXPECT_NE(run.strErr.find("An update is under way and cannot be stopped safely"),
              std::string::npos)
        << run.strErr;
    EXPECT_NE(run.strOut.find("Complete to update firmware."), std::string::npos);
    // Saved before the result was told: the next run finds every memory new.
    const std::string strInfo = Info();
    EXPECT_NE(strInfo.find("Product version of the device: Ver.1.01"), std::string::npos)
        << strInfo;
    EXPECT_NE(strInfo.find("UI serial No.: DVX44-UI-004870"), std::string::npos) << strInfo;
}

TEST_F(RunSafetyCliTest, PlanAndRehearsalLeaveTheUsersJournalAsTheyFoundIt) {
    Reset({});
    // Power lost while the front panel's flash is programmed: its name waits
    // in the journal for the next update.
    const CliRun cut =
        Run({u"update", u"--yes", u"--json", Emulate(), u"--emulate-fault", u"power-cut:13100"});
    EXPECT_NE(cut.strOut.find("\"message_id\":" + std::to_string(IDS_ERR_UNIT_GONE)),
              std::string::npos)
        << cut.strOut;
    const auto state = DirectorySnapshot(env.stateDirectory.Root());
    ASSERT_EQ(state.size(), 1u) << "one journal entry";
    const auto enclosure = DirectorySnapshot(Directory());

    const CliRun plan = Run({u"update", u"--plan", Emulate()});
    EXPECT_EQ(plan.nExit, 0) << plan.strErr;
    const CliRun rehearsal = Run({u"update", u"--rehearse", u"--yes", Emulate()});
    EXPECT_EQ(rehearsal.nExit, 0) << rehearsal.strErr;
    EXPECT_NE(rehearsal.strOut.find("Rehearsed update: Complete to update firmware."),
              std::string::npos)
        << rehearsal.strOut;
    EXPECT_EQ(DirectorySnapshot(env.stateDirectory.Root()), state);
    EXPECT_EQ(DirectorySnapshot(Directory()), enclosure);

    const CliRun update = Run({u"update", u"--yes", Emulate()});
    EXPECT_EQ(update.nExit, 0) << update.strErr;
    EXPECT_NE(Info().find("UI serial No.: DVX44-UI-004870"), std::string::npos);
    EXPECT_TRUE(DirectorySnapshot(env.stateDirectory.Root()).empty()) << "the entry went";
}

}  // namespace
}  // namespace rf::test
