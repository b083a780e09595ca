#include <gtest/gtest.h>

#include <sstream>

#include "base/Text.h"
#include "cli/CliApp.h"
#include "support/LinuxCliFixture.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

class DriveAccessTest : public CLinuxCliFixture {
protected:
    // An enclosure whose node the user may not open, beside an ATA disk.
    DriveAccessTest() {
        const std::string strInterface =
            sysfs.AddUsbDevice("pci0000:00/0000:00:14.0/usb2/2-1", "480");
        sysfs.AddScsiDisk({.strParent = strInterface + "/host6"});
    }
};

class LinuxListTest : public CLinuxCliFixture {};

TEST_F(LinuxListTest, ShowsEachDiskAndWhetherItIsSupported) {
    const std::string strInterface = sysfs.AddUsbDevice("pci0000:00/0000:00:14.0/usb2/2-1", "480");
    sysfs.AddScsiDisk({.strParent = strInterface + "/host6"});
    sysfs.AddScsiDisk(
        DiskOnHost("pci0000:00/0000:00:17.0/ata1", 0,
                   {.strVendor = "ATA", .strModel = "Samsung SSD 870", .strRevision = "1B6Q"}));
    const CliRun run = Run({u"list"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strOut,
              "Disk drives:\n"
              "Drive     Bus     Product              Revision  Status\n"
              "/dev/sda  ATA     ATA Samsung SSD 870  1B6Q      not supported (ATA drive)\n"
              "/dev/sdb  USB2.0  KESTREL DVX4400DUO   0027      cannot be opened (run as root,\n"
              "                                                 or start the broker:\n"
              "                                                 reflasher-broker.socket)\n");
}

// The shell's completion offers the drives that list shows.
TEST_F(LinuxListTest, CompletionNamesTheDrivesOfTheList) {
    const std::string strInterface = sysfs.AddUsbDevice("pci0000:00/0000:00:14.0/usb2/2-1", "480");
    sysfs.AddScsiDisk({.strParent = strInterface + "/host6"});
    const CliRun run = Run({u"--complete", u"drives"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strOut, "/dev/sdb\n");

    const CliRun wrong = Run({u"--complete", u"drive"});
    EXPECT_EQ(wrong.nExit, 2);
    EXPECT_EQ(
        wrong.strErr.rfind("Unknown option: --complete drive (see: reflasher-cli --help)\n", 0), 0u)
        << wrong.strErr;
}

TEST_F(DriveAccessTest, CommandsThatFindNoEnclosureSayWhichDriveCouldNotBeOpenedAndWhatToDo) {
    for (const char16_t* pszCommand : {u"info", u"update", u"backup"}) {
        std::vector<std::u16string> args = {pszCommand};
        if (std::u16string(pszCommand) == u"backup") {
            args.push_back(Utf8ToUtf16(sysfs.Root() + "/backup"));
        }
        const CliRun run = Run(args);
        const int nExit = run.nExit;
        const std::string& strErr = run.strErr;
        EXPECT_EQ(nExit, 2) << Utf16ToUtf8(pszCommand);
        EXPECT_EQ(strErr,
                  "No supported enclosure was found.\n"
                  "/dev/sdb: cannot be opened (run as root, or start the broker: "
                  "reflasher-broker.socket)\n")
            << Utf16ToUtf8(pszCommand);
    }
}

}  // namespace
}  // namespace rf::test
