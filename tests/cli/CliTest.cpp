#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "base/Text.h"
#include "base/TextWidth.h"

#include "base/VersionRecord.h"
#include "cli/CliApp.h"
#include "support/CliFixture.h"

namespace rf::test {
namespace {

class CliTest : public CCliFixture {};

TEST_F(CliTest, VersionPrintsTheTitle) {
    const CliRun run = Run({u"--version"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(
        run.strOut,
        "Firmware Updater Ver.1.02\nCarried images: test set (for the emulated enclosure only)\n");
}

TEST_F(CliTest, WithoutAVersionRecordItStopsWithMessage900) {
    SetVersionRecordProvider([]() -> const VersionRecord* { return nullptr; });
    SetAppName(u"reflasher-cli");
    const CliRun run = Run({u"--version"});
    EXPECT_EQ(run.nExit, 1);
    EXPECT_EQ(run.strOut, "");
    EXPECT_EQ(run.strErr, "reflasher-cli: Can not get version informations.\n");
}

TEST_F(CliTest, MessagesFollowTheLocale) {
    CScopedEnv japanese("LANG", "ja_JP.UTF-8");
    const CliRun run = Run({u"list"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strOut, "このコンピューターにSCSIディスクドライブが見つかりませんでした。\n");
}

// Each Japanese character takes two terminal columns: the versions of every
// row of info's table start in the same column.
TEST_F(CliTest, InfoColumnsLineUpInJapanese) {
    CScopedEnv japanese("LANG", "ja_JP.UTF-8");
    const CliRun run = Run({u"info", Utf8ToUtf16("--emulate=" + files.Root() + "/state")});
    ASSERT_EQ(run.nExit, 0) << run.strErr;
    std::istringstream lines(run.strOut);
    std::set<std::size_t> starts;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t nVersion = line.find("  00");
        if (nVersion != std::string::npos || line.find("  C01") != std::string::npos) {
            const std::size_t nAt = line.find_first_not_of(' ', line.find("  ") + 2);
            starts.insert(DisplayWidth(Utf8ToUtf16(line.substr(0, nAt))));
        }
    }
    EXPECT_EQ(starts.size(), 1u) << run.strOut;
}

TEST_F(CliTest, ListSaysPlainlyWhenThereAreNoDisks) {
    const CliRun run = Run({u"list"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strOut, "No SCSI disk drives were found on this computer.\n");
}

// Any preset on any link; info names the link, and an unknown one is
// refused with the names of those there are.
TEST_F(CliTest, EmulatorResetTakesALinkThatInfoNames) {
    const std::u16string emulate = Utf8ToUtf16("--emulate=" + files.Root() + "/state");
    const CliRun reset = Run({u"emulator", u"reset", emulate, u"--preset", u"rom-mode",
                              u"--flash-chip", u"ATMEL AT29LV010", u"--link", u"usb2-slow"});
    EXPECT_EQ(reset.nExit, 0) << reset.strErr;
    const CliRun info = Run({u"info", emulate});
    EXPECT_NE(info.strOut.find("Emulated link: usb2-slow ("), std::string::npos) << info.strOut;

    const CliRun unknown = Run({u"emulator", u"reset", emulate, u"--link", u"usb3"});
    EXPECT_EQ(unknown.nExit, 2);
    EXPECT_NE(unknown.strErr.find("ieee1394-slow"), std::string::npos) << unknown.strErr;
}

TEST_F(CliTest, ListWithTheEmulatedEnclosure) {
    const std::string strDirectory = files.Root() + "/state";
    const CliRun run = Run({u"list", Utf8ToUtf16("--emulate=" + strDirectory)});
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    EXPECT_EQ(run.strOut,
              "Disk drives:\n"
              "Drive               Bus     Product             Revision  Status\n"
              "emulated-enclosure  USB2.0  KESTREL DVX4400DUO  0.24      supported\n"
              "Emulated link: usb2 (USB 2.0 high speed, fast host: a command per microframe; "
              "125 us a command, 30 ns a byte)\n");
    EXPECT_TRUE(std::filesystem::exists(strDirectory + "/enclosure.conf"))
        << "a fresh enclosure is kept";

    std::filesystem::resize_file(strDirectory + "/flash-rom.bin", 10);
    const CliRun damaged = Run({u"list", Utf8ToUtf16("--emulate=" + strDirectory)});
    EXPECT_EQ(damaged.nExit, 1);
    EXPECT_NE(damaged.strErr.find("The emulated enclosure cannot be used: "), std::string::npos);
    EXPECT_EQ(Run({u"list", u"--emulate="}).nExit, 2);
}

TEST_F(CliTest, AnUpdateOfTheEmulatedEnclosureAsANewUserRunsIt) {
    const std::u16string emulate = Utf8ToUtf16("--emulate=" + files.Root() + "/enclosure");
    ASSERT_EQ(Run({u"emulator", u"reset", emulate}).nExit, 0);

    const CliRun before = Run({u"info", emulate, u"--json"});
    EXPECT_EQ(before.nExit, 0);
    EXPECT_NE(before.strOut.find("\"device\":\"1.00\""), std::string::npos) << before.strOut;
    EXPECT_NE(before.strOut.find(
                  "{\"memory\":\"flash\",\"image_version\":\"0027\",\"device_version\":\"0024\","
                  "\"device_state\":\"read\",\"update\":true,\"writable\":true,"
                  "\"image_origin\":\"test\",\"read_fault\":null}"),
              std::string::npos);

    const std::string strTrace = files.Root() + "/trace.txt";
    const CliRun update = Run({u"update", emulate, u"--json", u"--trace", Utf8ToUtf16(strTrace)});
    EXPECT_EQ(update.nExit, 0) << update.strErr;
    EXPECT_EQ(update.strOut,
              "{\"result\":\"success\",\"message_id\":140,\"message\":\"Complete to update "
              "firmware.\"}\n");
    std::ifstream trace(strTrace);
    std::string strFirst;
    std::getline(trace, strFirst);
    EXPECT_EQ(strFirst, "0 12000000FE00 in 254 - 00")
        << "index, block, direction, length, data, status";

    const CliRun after = Run({u"info", emulate});
    EXPECT_NE(after.strOut.find("Product version of the device: Ver.1.01"), std::string::npos)
        << after.strOut;
    // Nothing is newer now: without a terminal to ask, the answer is No.
    const CliRun again = Run({u"update", emulate, u"--json"});
    EXPECT_EQ(again.nExit, 2);
    EXPECT_NE(again.strOut.find("\"result\":\"nothing\""), std::string::npos);
}

TEST_F(CliTest, APowerCutLeavesAnEnclosureTheNextRunRepairs) {
    const std::u16string emulate = Utf8ToUtf16("--emulate=" + files.Root() + "/enclosure");
    ASSERT_EQ(Run({u"emulator", u"reset", emulate}).nExit, 0);
    const CliRun cut = Run({u"update", emulate, u"--emulate-fault", u"power-cut:900"});
    EXPECT_EQ(cut.nExit, 1);
    const CliRun repaired = Run({u"update", emulate, u"--yes"});
    EXPECT_EQ(repaired.nExit, 0) << repaired.strOut << repaired.strErr;
    EXPECT_NE(Run({u"info", emulate}).strOut.find("Product version of the device: Ver.1.01"),
              std::string::npos);
}

TEST_F(CliTest, BackupReadsWhatCanBeReadAndWritesNothing) {
    const std::u16string emulate = Utf8ToUtf16("--emulate=" + files.Root() + "/enclosure");
    ASSERT_EQ(Run({u"emulator", u"reset", emulate}).nExit, 0);
    const std::string strBackup = files.Root() + "/backup";
    const CliRun backup = Run(
        {u"backup", Utf8ToUtf16(strBackup), emulate, u"--trace", Utf8ToUtf16(files.Root() + "/t")});
    EXPECT_EQ(backup.nExit, 0) << backup.strErr;
    for (const char* pszFile : {"flash-rom.bin", "seeprom-host.bin", "seeprom-cpu.bin",
                                "spi-flash.bin", "ui-info-block.bin"}) {
        EXPECT_TRUE(std::filesystem::exists(strBackup + "/" + pszFile)) << pszFile;
    }
    EXPECT_EQ(std::filesystem::file_size(strBackup + "/seeprom-host.bin"), 0x2000u);
    std::ifstream info(strBackup + "/ui-info-block.bin", std::ios::binary);
    const std::string strInfo((std::istreambuf_iterator<char>(info)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(strInfo, std::string("DVX44-UI-004870\xFF"));
    EXPECT_NE(backup.strOut.find("cannot be read back"), std::string::npos);
    std::ifstream trace(files.Root() + "/t");
    for (std::string strLine; std::getline(trace, strLine);) {
        const std::string strBlock = strLine.substr(strLine.find(' ') + 1, 4);
        EXPECT_NE(strBlock, "FC02") << "no EEPROM write: " << strLine;
        EXPECT_NE(strBlock.substr(0, 2), "FE") << strLine;
    }
}

TEST_F(CliTest, ARefusedReadFailsInfoAndBackupAndTheBackupLeavesTheDirectoryAsItWas) {
    const std::u16string emulate = Utf8ToUtf16("--emulate=" + files.Root() + "/enclosure");
    ASSERT_EQ(Run({u"emulator", u"reset", emulate}).nExit, 0);
    // Command 3 reads the bridge firmware's version.
    const CliRun info =
        Run({u"info", emulate, u"--json", u"--emulate-fault", u"check-condition:3"});
    EXPECT_EQ(info.nExit, 1);
    EXPECT_NE(info.strOut.find("\"memory\":\"flash\""), std::string::npos);
    EXPECT_NE(info.strOut.find("\"read_fault\":{\"kind\":\"refused\",\"offset\":"),
              std::string::npos)
        << info.strOut;
    EXPECT_NE(
        info.strErr.find("Bridge firmware (FLASH-ROM): the enclosure refused the read at offset"),
        std::string::npos)
        << info.strErr;

    const std::string strTrace = files.Root() + "/t";
    ASSERT_EQ(Run({u"backup", Utf8ToUtf16(files.Root() + "/clean"), emulate, u"--trace",
                   Utf8ToUtf16(strTrace)})
                  .nExit,
              0);
    // The last read of each memory: the backup's own, after the version reads.
    std::map<std::string, std::string> lastIndex;
    std::ifstream trace(strTrace);
    for (std::string strLine; std::getline(trace, strLine);) {
        lastIndex[strLine.substr(strLine.find(' ') + 1, 4)] = strLine.substr(0, strLine.find(' '));
    }
    struct Case {
        const char* pszBlock;
        const char* pszFile;
        const char* pszExpected;
    };
    const Case cases[] = {
        {"FD01", "flash-rom.bin",
         "Bridge firmware (FLASH-ROM) (flash-rom.bin): the enclosure refused the read at offset "
         "0x1FFC0 (status 0x02"},
        {"FC01", "seeprom-host.bin",
         "SEEPROM(Host) (seeprom-host.bin): the enclosure refused the read at offset 0x01FC0 "
         "(status 0x02"},
        {"FF01", "seeprom-cpu.bin",
         "SEEPROM(CPU) (seeprom-cpu.bin): the enclosure refused the read at offset 0x007C0 (status "
         "0x02"},
        {"FA11", "spi-flash.bin",
         "UI resource data (spi-flash.bin): the UI controller gave no sound answer at offset 0x"},
    };
    for (const Case& c : cases) {
        const std::string strBackup = files.Root() + "/" + c.pszBlock;
        const CliRun run = Run({u"backup", Utf8ToUtf16(strBackup), emulate, u"--emulate-fault",
                                Utf8ToUtf16("check-condition:" + lastIndex[c.pszBlock])});
        EXPECT_EQ(run.nExit, 1) << c.pszFile;
        EXPECT_NE(
            run.strErr.find(std::string("The backup could not be completed: ") + c.pszExpected),
            std::string::npos)
            << run.strErr;
        EXPECT_FALSE(std::filesystem::exists(strBackup)) << c.pszFile;
    }
    // An earlier backup outlives a failed one over it, file for file, and
    // no part of the failed one is left beside it.
    const auto before = DirectorySnapshot(files.Root() + "/clean");
    const CliRun over =
        Run({u"backup", Utf8ToUtf16(files.Root() + "/clean"), emulate, u"--emulate-fault",
             Utf8ToUtf16("check-condition:" + lastIndex["FA11"])});
    EXPECT_EQ(over.nExit, 1);
    EXPECT_TRUE(DirectorySnapshot(files.Root() + "/clean") == before);
    for (const auto& entry : std::filesystem::directory_iterator(files.Root())) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
}

TEST_F(CliTest, ABackupReplacesAnEarlierOneWholeAndNeverADirectoryOfOtherFiles) {
    const std::string strRoot = files.Root();
    for (const char* pszPreset : {"row1", "ui-state0"}) {
        ASSERT_EQ(Run({u"emulator", u"reset", Utf8ToUtf16("--emulate=" + strRoot + "/" + pszPreset),
                       u"--preset", Utf8ToUtf16(pszPreset)})
                      .nExit,
                  0);
    }
    const std::u16string backup = Utf8ToUtf16(strRoot + "/backup");
    ASSERT_EQ(Run({u"backup", backup, Utf8ToUtf16("--emulate=" + strRoot + "/row1")}).nExit, 0);
    // Without firmware in the UI controller, the second unit has no SPI
    // flash file and no information block: the first one's must not stay.
    const CliRun second =
        Run({u"backup", backup, Utf8ToUtf16("--emulate=" + strRoot + "/ui-state0")});
    ASSERT_EQ(second.nExit, 0) << second.strErr;
    std::vector<std::string> names;
    for (const auto& [strName, strContents] : DirectorySnapshot(strRoot + "/backup")) {
        names.push_back(strName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"flash-rom.bin", "seeprom-cpu.bin",
                                               "seeprom-host.bin", "unit.json"}));

    // A directory that holds anything else would lose it: refused, before
    // the unit is read.
    std::ofstream(strRoot + "/backup/notes.txt") << "mine";
    const auto before = DirectorySnapshot(strRoot + "/backup");
    const CliRun refused = Run({u"backup", backup, Utf8ToUtf16("--emulate=" + strRoot + "/row1")});
    EXPECT_EQ(refused.nExit, 2);
    EXPECT_NE(refused.strErr.find("holds files that are not part of a backup (notes.txt)"),
              std::string::npos)
        << refused.strErr;
    EXPECT_TRUE(DirectorySnapshot(strRoot + "/backup") == before);
}

TEST_F(CliTest, LoadingFilesNeedsTheVendorDialogAndAReadableFile) {
    const std::u16string emulate = Utf8ToUtf16("--emulate=" + files.Root() + "/enclosure");
    EXPECT_EQ(Run({u"info", emulate, u"--load", u"host=x.bin"}).nExit, 2);
    const CliRun missing =
        Run({u"info", emulate, u"--vendor", u"--load", u"host=/nonexistent.bin"});
    EXPECT_EQ(missing.nExit, 2);
    EXPECT_NE(missing.strErr.find("The image file cannot be loaded: host=/nonexistent.bin"),
              std::string::npos);
    EXPECT_EQ(Run({u"info", emulate, u"--vendor", u"--load", u"melt=x"}).nExit, 2);
}

TEST_F(CliTest, BadUsageIsExplainedWithExitStatus2) {
    const CliRun unknownOption = Run({u"--frobnicate"});
    EXPECT_EQ(unknownOption.nExit, 2);
    EXPECT_NE(unknownOption.strErr.find("Unknown option: --frobnicate"), std::string::npos);
    // One line that points to the help, not the whole usage.
    EXPECT_EQ(unknownOption.strErr.find("Usage:"), std::string::npos);
    EXPECT_NE(unknownOption.strErr.find("reflasher-cli --help"), std::string::npos);

    const CliRun unknownCommand = Run({u"flash-everything"});
    EXPECT_EQ(unknownCommand.nExit, 2);
    EXPECT_NE(unknownCommand.strErr.find("Unknown command: flash-everything"), std::string::npos);

    EXPECT_EQ(Run({}).nExit, 2);
    EXPECT_EQ(Run({u"--help"}).nExit, 0);
}

TEST_F(CliTest, AnUpdateLeavesTheOptionsAsTheCommandLineSetThem) {
    const std::u16string emulate = Utf8ToUtf16("--emulate=" + files.Root() + "/enclosure");
    ASSERT_EQ(Run({u"update", emulate, u"--vendor", u"/IgnoreLockDrivesError"}).nExit, 0);
    EXPECT_FALSE(theCmdInfo.m_bAutoUpdate) << "the update is called, not posted";
    EXPECT_TRUE(theCmdInfo.m_bEnableVendorMode);
    EXPECT_TRUE(theCmdInfo.m_bIgnoreLockDrivesError);
    EXPECT_FALSE(theCmdInfo.m_bDisableResetUI);
    EXPECT_FALSE(theCmdInfo.m_bEnableAllProducts);
    EXPECT_TRUE(theCmdInfo.m_bForceAmdRom);
    EXPECT_TRUE(theCmdInfo.m_strUIResourceFile.empty());
}

TEST_F(CliTest, UpdaterOptionsAreAcceptedBesideCommands) {
    const CliRun run =
        Run({u"/IgnoreLockDrivesError", u"-DisableResetUI", u"/UIRSC=x.bin", u"list"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_TRUE(theCmdInfo.m_bIgnoreLockDrivesError);
    EXPECT_TRUE(theCmdInfo.m_bDisableResetUI);
    EXPECT_EQ(theCmdInfo.m_strUIResourceFile, u"x.bin");
}

}  // namespace
}  // namespace rf::test
