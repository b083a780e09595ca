#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/Text.h"

#include "app/VersionRecord.h"
#include "cli/CliApp.h"
#include "device/os/linux/LinuxDeviceSystem.h"
#include "device/os/linux/SysfsDirectoryTree.h"
#include "support/FakeSysfs.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

struct CliRun {
    int nExit;
    std::string strOut;
    std::string strErr;
};

class CliTest : public ::testing::Test {
protected:
    CliRun Run(const std::vector<std::u16string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        std::istringstream in;
        const CSysfsDirectoryTree tree(sysfs.Root());
        CLinuxVolumeSystemCalls volumeCalls;
        CLinuxDeviceSystem system(tree, volumeCalls, [](int, unsigned long, void*) { return -1; });
        CliContext context{out, err, in, false, system};
        const int nExit = RunCli(args, context);
        return CliRun{nExit, out.str(), err.str()};
    }

    CTestEnvironment env;
    CScopedEnv language{"LANGUAGE", std::nullopt};
    CScopedEnv all{"LC_ALL", std::nullopt};
    CScopedEnv messages{"LC_MESSAGES", std::nullopt};
    CScopedEnv lang{"LANG", "C.UTF-8"};
    CFakeSysfs sysfs;
};

TEST_F(CliTest, VersionPrintsTheTitle) {
    const CliRun run = Run({u"--version"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strOut, "Firmware Updater Ver.1.02\n");
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

TEST_F(CliTest, ListSaysPlainlyWhenThereAreNoDisks) {
    const CliRun run = Run({u"list"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strOut, "No SCSI disk drives were found on this computer.\n");
}

TEST_F(CliTest, ListShowsEachDiskAndWhetherItIsSupported) {
    const std::string strInterface = sysfs.AddUsbDevice("pci0000:00/0000:00:14.0/usb2/2-1", "480");
    sysfs.AddScsiDisk({.strParent = strInterface + "/host6"});
    sysfs.AddScsiDisk({.strParent = "pci0000:00/0000:00:17.0/ata1/host0",
                       .strHctl = "0:0:0:0",
                       .strBlockName = "sda",
                       .strBlockDev = "8:0",
                       .strGenericName = "sg0",
                       .strGenericDev = "21:0",
                       .strVendor = "ATA",
                       .strModel = "Samsung SSD 870",
                       .strRevision = "1B6Q"});
    const CliRun run = Run({u"list"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strOut,
              "Disk drives:\n"
              "  /dev/sda  ATA  ATA Samsung SSD 870  1B6Q  not supported (ATA drive)\n"
              "  /dev/sdb  USB2.0  KESTREL DVX4400DUO  0027  cannot be opened (run as root, or "
              "install the udev "
              "rule)\n");
}

TEST_F(CliTest, ListWithTheEmulatedEnclosure) {
    const std::string strDirectory = sysfs.Root() + "/state";
    const CliRun run = Run({u"list", Utf8ToUtf16("--emulate=" + strDirectory)});
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    EXPECT_EQ(run.strOut,
              "Disk drives:\n  emulated-enclosure  USB2.0  KESTREL DVX4400DUO  0.24  supported\n");
    EXPECT_TRUE(std::filesystem::exists(strDirectory + "/enclosure.conf"))
        << "a fresh enclosure is kept";

    std::filesystem::resize_file(strDirectory + "/flash-rom.bin", 10);
    const CliRun damaged = Run({u"list", Utf8ToUtf16("--emulate=" + strDirectory)});
    EXPECT_EQ(damaged.nExit, 1);
    EXPECT_NE(damaged.strErr.find("The emulated enclosure cannot be used: "), std::string::npos);
    EXPECT_EQ(Run({u"list", u"--emulate="}).nExit, 2);
}

TEST_F(CliTest, BadUsageIsExplainedWithExitStatus2) {
    const CliRun unknownOption = Run({u"--frobnicate"});
    EXPECT_EQ(unknownOption.nExit, 2);
    EXPECT_NE(unknownOption.strErr.find("Unknown option: --frobnicate"), std::string::npos);
    EXPECT_NE(unknownOption.strErr.find("Usage:"), std::string::npos);

    const CliRun unknownCommand = Run({u"flash-everything"});
    EXPECT_EQ(unknownCommand.nExit, 2);
    EXPECT_NE(unknownCommand.strErr.find("Unknown command: flash-everything"), std::string::npos);

    EXPECT_EQ(Run({}).nExit, 2);
    EXPECT_EQ(Run({u"--help"}).nExit, 0);
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
