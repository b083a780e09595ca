// A unit's backup made into a twin, and the update rehearsed on a twin:
// the twin must read and update as the unit does, a backup that cannot
// stand for the unit must be refused, and a rehearsal must leave the unit
// as it was, byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "base/Text.h"
#include "support/CliFixture.h"

namespace rf::test {
namespace {

namespace fs = std::filesystem;

void WriteText(const std::string& strPath, const std::string& strText) {
    std::ofstream(strPath, std::ios::binary | std::ios::trunc) << strText;
}

class TwinCliTest : public CCliFixture {
protected:
    std::u16string Emulate(const std::string& strName) {
        return Utf8ToUtf16("--emulate=" + files.Root() + "/" + strName);
    }
    std::u16string Path(const std::string& strName) {
        return Utf8ToUtf16(files.Root() + "/" + strName);
    }
    // A backup of a fresh enclosure of the preset, in DIR "backup-PRESET".
    void BackUp(const std::string& strPreset) {
        ASSERT_EQ(
            Run({u"emulator", u"reset", Emulate(strPreset), u"--preset", Utf8ToUtf16(strPreset)})
                .nExit,
            0);
        const CliRun backup = Run({u"backup", Path("backup-" + strPreset), Emulate(strPreset)});
        ASSERT_EQ(backup.nExit, 0) << backup.strErr;
    }
};

TEST_F(TwinCliTest, ATwinOfEachPresetReadsAndUpdatesAsTheUnit) {
    for (const std::string strPreset : {"row1", "row2", "rom-mode", "usb11", "ui-state0"}) {
        SCOPED_TRACE(strPreset);
        BackUp(strPreset);
        const std::string strTwin = "twin-" + strPreset;
        const CliRun made = Run({u"emulator", u"reset", Emulate(strTwin), u"--from-backup",
                                 Path("backup-" + strPreset)});
        ASSERT_EQ(made.nExit, 0) << made.strErr;

        const CliRun unitInfo = Run({u"info", u"--json", Emulate(strPreset)});
        EXPECT_EQ(unitInfo.strOut, Run({u"info", u"--json", Emulate(strTwin)}).strOut);

        const CliRun show = Run({u"emulator", u"show", Emulate(strTwin)});
        EXPECT_EQ(show.nExit, 0);
        EXPECT_NE(show.strOut.find("Modelled, not read from the unit:\n"), std::string::npos);
        EXPECT_NE(
            show.strOut.find(strPreset == "ui-state0" ? "UI firmware: none"
                                                      : "UI firmware: the carried test image"),
            std::string::npos)
            << show.strOut;

        auto update = [&](const std::string& strWhich, const char* pszTrace) {
            std::vector<std::u16string> args = {u"update", u"--yes", Emulate(strWhich), u"--trace",
                                                Path(pszTrace)};
            // A front panel that never had firmware never had a name either.
            if (strPreset == "ui-state0") {
                args.push_back(u"/IgnoreMissingUnitName");
            }
            return Run(args);
        };
        const CliRun unitUpdate = update(strPreset, "unit.trace");
        const CliRun twinUpdate = update(strTwin, "twin.trace");
        EXPECT_EQ(unitUpdate.nExit, 0) << unitUpdate.strErr;
        EXPECT_EQ(twinUpdate.nExit, 0) << twinUpdate.strErr;
        const std::string strTrace = ReadFileText(files.Root() + "/unit.trace");
        EXPECT_FALSE(strTrace.empty());
        EXPECT_TRUE(strTrace == ReadFileText(files.Root() + "/twin.trace")) << "the traces differ";
    }
    // Made anew from a preset, the directory holds no twin any more.
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate("twin-row1")}).nExit, 0);
    EXPECT_NE(Run({u"emulator", u"show", Emulate("twin-row1")}).strOut.find("Made from a preset"),
              std::string::npos);
}

TEST_F(TwinCliTest, ABackupThatCannotStandForTheUnitIsRefusedNamingWhatIsWrong) {
    BackUp("row1");
    BackUp("row2");
    const std::string strGood = files.Root() + "/backup-row1";
    struct Case {
        const char* pszName;
        void (*damage)(const std::string& strBackup, const std::string& strOther);
        const char* pszExpected;
    };
    const Case cases[] = {
        {"missing file",
         [](const std::string& b, const std::string&) { fs::remove(b + "/seeprom-host.bin"); },
         "seeprom-host.bin is missing"},
        {"short file",
         [](const std::string& b, const std::string&) {
             fs::resize_file(b + "/spi-flash.bin", 4096);
         },
         "spi-flash.bin holds 4096 bytes; the manifest says 524288"},
        {"no manifest",
         [](const std::string& b, const std::string&) { fs::remove(b + "/unit.json"); },
         "unit.json is missing"},
        {"garbled manifest",
         [](const std::string& b, const std::string&) {
             WriteText(b + "/unit.json", "{\"format\":1,");
         },
         "unit.json is not a manifest: parse error at line 1, column 13"},
        {"manifest without a field",
         [](const std::string& b, const std::string&) {
             WriteText(b + "/unit.json", "{\"format\":1}");
         },
         "\"inquiry\" is missing or not an object"},
        {"a file the manifest does not name",
         [](const std::string& b, const std::string&) { WriteText(b + "/notes.txt", "x"); },
         "holds files its manifest does not name: notes.txt"},
        {"files of another unit",
         [](const std::string& b, const std::string& o) {
             // Removed first: MinGW's copy_file does not overwrite.
             fs::remove(b + "/seeprom-host.bin");
             fs::copy_file(o + "/seeprom-host.bin", b + "/seeprom-host.bin");
         },
         "do not agree with its manifest: the version of host is C018 in the files, C017 in the "
         "manifest"},
    };
    const std::string strBefore = ReadFileText(strGood + "/flash-rom.bin");
    const CliRun intoBackup =
        Run({u"emulator", u"reset", Emulate("backup-row1"), u"--from-backup", Path("backup-row1")});
    EXPECT_EQ(intoBackup.nExit, 2);
    EXPECT_TRUE(ReadFileText(strGood + "/flash-rom.bin") == strBefore) << "the backup is kept";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const std::string strBackup = files.Root() + "/damaged";
        fs::remove_all(strBackup);
        fs::copy(strGood, strBackup);
        c.damage(strBackup, files.Root() + "/backup-row2");
        const CliRun run =
            Run({u"emulator", u"reset", Emulate("twin"), u"--from-backup", Path("damaged")});
        EXPECT_EQ(run.nExit, 2);
        EXPECT_NE(run.strErr.find(std::string("No twin can be made of this backup: ")),
                  std::string::npos);
        EXPECT_NE(run.strErr.find(c.pszExpected), std::string::npos) << run.strErr;
        EXPECT_FALSE(fs::exists(files.Root() + "/twin")) << "nothing is made";
    }
}

// The UI firmware cannot be read back; the carried image that stands in for
// it must report the unit's own build date and time, which the update
// compares to decide whether to write it.
TEST_F(TwinCliTest, TheModelledUiFirmwareCarriesTheUnitsBuildDate) {
    BackUp("row1");
    const std::string strManifest = files.Root() + "/backup-row1/unit.json";
    std::string strText = ReadFileText(strManifest);
    const std::size_t nUi = strText.find("\"ui\":{");
    const std::size_t nDate = strText.find("\"date\":", nUi);
    ASSERT_NE(nDate, std::string::npos);
    strText.replace(nDate, strText.find(',', nDate) - nDate, "\"date\":16600");  // 2012/06/24
    WriteText(strManifest, strText);
    ASSERT_EQ(
        Run({u"emulator", u"reset", Emulate("twin"), u"--from-backup", Path("backup-row1")}).nExit,
        0);
    EXPECT_NE(
        Run({u"info", u"--vendor", Emulate("twin")}).strOut.find("0025 (2012/06/24 16:05:10)"),
        std::string::npos);
}

TEST_F(TwinCliTest, ARehearsalWritesNothingToTheUnitAndSaysHowTheUpdateWouldEnd) {
    CScopedEnv tmpdir("TMPDIR", files.Root() + "/tmp");
    fs::create_directories(files.Root() + "/tmp");
    const std::string strUnit = files.Root() + "/unit";

    // A unit taken for a real one refuses the carried test images: the
    // rehearsal meets the refusal the update would meet.
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate("unit"), u"--as-real-unit"}).nExit, 0);
    auto before = DirectorySnapshot(strUnit);
    const CliRun refused = Run({u"update", u"--rehearse", u"--yes", Emulate("unit")});
    EXPECT_EQ(refused.nExit, 2);
    EXPECT_NE(refused.strOut.find("Rehearsed update: The firmware images selected are test images"),
              std::string::npos)
        << refused.strOut;
    EXPECT_TRUE(DirectorySnapshot(strUnit) == before) << "the real unit's state changed";

    ASSERT_EQ(Run({u"emulator", u"reset", Emulate("unit")}).nExit, 0);
    before = DirectorySnapshot(strUnit);
    const CliRun rehearsed = Run({u"update", u"--rehearse", u"--json", Emulate("unit")});
    EXPECT_EQ(rehearsed.nExit, 0) << rehearsed.strErr;
    EXPECT_EQ(rehearsed.strOut,
              "{\"result\":\"success\",\"message_id\":140,\"message\":\"Complete to "
              "update firmware.\",\"rehearsal\":true,\"total_ms\":37733,\"memories\":[{"
              "\"memory\":\"flash\",\"state\":\"holds_image\"},{\"memory\":\"host\",\"state\":"
              "\"holds_image\"},{\"memory\":\"ui\",\"state\":\"holds_image\"},{\"memory\":"
              "\"resource\",\"state\":\"holds_image\"}]}\n");
    EXPECT_TRUE(DirectorySnapshot(strUnit) == before) << "the unit's state changed";
    EXPECT_TRUE(fs::is_empty(files.Root() + "/tmp")) << "the temporary directories are removed";
}

}  // namespace
}  // namespace rf::test
