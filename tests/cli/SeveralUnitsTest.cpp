// Several emulated enclosures in one directory: each unit named by drive or
// by serial number, no guessing between them, and faults aimed at one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "base/Text.h"
#include "support/CliFixture.h"

namespace rf::test {
namespace {

constexpr char16_t kFirstSerial[] = u"KD44D2-1311-004870";
constexpr char16_t kSecondSerial[] = u"KD44D2-1311-004871";

class SeveralUnitsTest : public CCliFixture {
protected:
    std::string Directory() const { return files.Root() + "/row"; }
    std::u16string Emulate() const { return Utf8ToUtf16("--emulate=" + Directory()); }
};

TEST_F(SeveralUnitsTest, ResetMakesTheRowAndAFewerCountRemovesTheRest) {
    for (const char16_t* pszBad : {u"0", u"65", u"2x", u"-1"}) {
        const CliRun bad = Run({u"emulator", u"reset", Emulate(), u"--units", pszBad});
        EXPECT_EQ(bad.nExit, 2) << Utf16ToUtf8(pszBad);
        EXPECT_NE(bad.strErr.find("from 1 to 64"), std::string::npos) << bad.strErr;
    }
    EXPECT_FALSE(std::filesystem::exists(Directory())) << "a refused reset makes nothing";

    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--units", u"3"}).nExit, 0);
    const CliRun list = Run({u"list", Emulate()});
    for (const char* pszDrive :
         {"\nemulated-enclosure  ", "\nemulated-enclosure-2  ", "\nemulated-enclosure-3  "}) {
        EXPECT_NE(list.strOut.find(pszDrive), std::string::npos) << list.strOut;
    }
    const CliRun info = Run({u"info", Emulate(), u"--json"});
    EXPECT_EQ(info.nExit, 0) << info.strErr;
    EXPECT_TRUE(info.strOut.starts_with("{\"devices\":[{\"drive\":\"emulated-enclosure\","))
        << info.strOut;
    for (const char* pszSerial :
         {"\"serial\":\"KD44D2-1311-004870\",\"ui_serial\":\"DVX44-UI-004870\"",
          "\"serial\":\"KD44D2-1311-004871\",\"ui_serial\":\"DVX44-UI-004871\"",
          "\"serial\":\"KD44D2-1311-004872\",\"ui_serial\":\"DVX44-UI-004872\""}) {
        EXPECT_NE(info.strOut.find(pszSerial), std::string::npos) << info.strOut;
    }

    ASSERT_EQ(Run({u"emulator", u"reset", Emulate()}).nExit, 0);
    EXPECT_FALSE(std::filesystem::exists(Directory() + "/unit-2"));
    EXPECT_FALSE(std::filesystem::exists(Directory() + "/unit-3"));
    EXPECT_EQ(Run({u"info", Emulate(), u"--device", u"emulated-enclosure-2"}).nExit, 2);
}

TEST_F(SeveralUnitsTest, ADeviceIsNamedByDriveOrBySerialAndAnUnknownNameTouchesNothing) {
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--units", u"2"}).nExit, 0);
    const CliRun byDrive = Run({u"info", Emulate(), u"--device", u"emulated-enclosure-2"});
    EXPECT_EQ(byDrive.nExit, 0) << byDrive.strErr;
    EXPECT_TRUE(
        byDrive.strOut.starts_with("Device: KESTREL  DVX4400DUO\nSerial No.: "
                                   "KD44D2-1311-004871\n"))
        << "one unit's block, as a lone unit's:\n"
        << byDrive.strOut;
    const CliRun bySerial = Run({u"info", Emulate(), u"--device", kFirstSerial, u"--json"});
    EXPECT_EQ(bySerial.nExit, 0);
    EXPECT_TRUE(bySerial.strOut.starts_with(
        "{\"device\":{\"name\":\"KESTREL DVX4400DUO\",\"serial\":\"KD44D2-1311-004870\""))
        << bySerial.strOut;

    const std::string strBackup = files.Root() + "/second";
    const CliRun backup =
        Run({u"backup", Utf8ToUtf16(strBackup), Emulate(), u"--device", kSecondSerial});
    EXPECT_EQ(backup.nExit, 0) << backup.strErr;
    std::ifstream block(strBackup + "/ui-info-block.bin", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(block), {}),
              std::string("DVX44-UI-004871\xFF"));

    const auto before = DirectorySnapshot(Directory());
    // What --device is completed with: every name it takes, and nothing
    // of the units changed by asking.
    const CliRun offered = Run({u"--complete", u"devices", Emulate()});
    EXPECT_EQ(offered.strOut,
              "emulated-enclosure\nKD44D2-1311-004870\nemulated-enclosure-2\nKD44D2-1311-004871\n");
    for (const char* pszCommand : {"info", "update", "backup"}) {
        std::vector<std::u16string> args = {Utf8ToUtf16(pszCommand)};
        if (args[0] == u"backup") {
            args.push_back(Utf8ToUtf16(files.Root() + "/backup"));
        }
        args.insert(args.end(), {Emulate(), u"--device", u"KD44D2-1311-009999", u"--yes"});
        const CliRun unknown = Run(args);
        EXPECT_EQ(unknown.nExit, 2) << pszCommand;
        EXPECT_NE(unknown.strErr.find("KD44D2-1311-009999"), std::string::npos) << unknown.strErr;
    }
    EXPECT_EQ(DirectorySnapshot(Directory()), before);
    EXPECT_FALSE(std::filesystem::exists(files.Root() + "/backup"));
}

TEST_F(SeveralUnitsTest, WithoutANameUpdateAndBackupRefuseAndWriteNothing) {
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--units", u"2"}).nExit, 0);
    const auto before = DirectorySnapshot(Directory());
    const CliRun update = Run({u"update", Emulate(), u"--yes"});
    EXPECT_EQ(update.nExit, 2);
    for (const char16_t* pszSerial : {kFirstSerial, kSecondSerial}) {
        EXPECT_NE(update.strErr.find(Utf16ToUtf8(pszSerial)), std::string::npos) << update.strErr;
    }
    EXPECT_NE(update.strErr.find("--device"), std::string::npos);
    EXPECT_NE(update.strErr.find("--all"), std::string::npos);
    EXPECT_NE(update.strErr.find("emulated-enclosure-2  KD44D2-1311-004871  Ver.1.00"),
              std::string::npos)
        << update.strErr;
    const CliRun backup = Run({u"backup", Utf8ToUtf16(files.Root() + "/backup"), Emulate()});
    EXPECT_EQ(backup.nExit, 2);
    EXPECT_FALSE(std::filesystem::exists(files.Root() + "/backup"));
    EXPECT_EQ(DirectorySnapshot(Directory()), before);
}

TEST_F(SeveralUnitsTest, AFaultAimedAtOneUnitHitsThatUnitAlone) {
    ASSERT_EQ(Run({u"emulator", u"reset", Emulate(), u"--units", u"2"}).nExit, 0);
    const auto before = DirectorySnapshot(Directory());
    const std::u16string cutFirst = std::u16string(kFirstSerial) + u":power-cut:900";
    // The second unit is updated whole; the fault waits on the first.
    const CliRun second = Run(
        {u"update", Emulate(), u"--device", u"emulated-enclosure-2", u"--emulate-fault", cutFirst});
    EXPECT_EQ(second.nExit, 0) << second.strErr;
    auto after = DirectorySnapshot(Directory());
    for (const auto& [path, bytes] : before) {
        if (!path.starts_with("unit-2")) {
            EXPECT_EQ(after[path], bytes) << path << " of the first unit changed";
        }
    }
    const CliRun first =
        Run({u"update", Emulate(), u"--device", kFirstSerial, u"--emulate-fault", cutFirst});
    EXPECT_EQ(first.nExit, 1) << first.strErr;

    const CliRun unknown = Run({u"info", Emulate(), u"--emulate-fault", u"NO-SUCH-UNIT:fail:3"});
    EXPECT_EQ(unknown.nExit, 2);
    EXPECT_NE(unknown.strErr.find("NO-SUCH-UNIT"), std::string::npos);
}

}  // namespace
}  // namespace rf::test
