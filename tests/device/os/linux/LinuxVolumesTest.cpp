#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "device/os/linux/LinuxVolumes.h"
#include "device/os/linux/ScsiTopology.h"
#include "device/os/linux/SysfsDirectoryTree.h"
#include "support/FakeSysfs.h"

namespace rf::test {
namespace {

// The system calls as a test wants them answered, and what was done.
class CFakeVolumeCalls final : public IVolumeSystemCalls {
public:
    std::vector<MountEntry> Mounts() override { return mounts; }
    std::vector<std::pair<unsigned, unsigned>> ActiveSwaps() override { return swaps; }
    int TryExclusiveOpen(const std::string& strNode) override {
        return openElsewhere.contains(strNode) ? EBUSY : 0;
    }
    void Flush(const std::string& strNode) override { flushed.push_back(strNode); }
    int TestUnmount(const std::string& strTarget) override {
        return busy.contains(strTarget) ? EBUSY : notPermitted ? EPERM : 0;
    }
    int Unmount(const std::string& strTarget) override {
        unmounted.push_back(strTarget);
        return 0;
    }

    std::vector<MountEntry> mounts;
    std::vector<std::pair<unsigned, unsigned>> swaps;
    std::set<std::string> openElsewhere;
    std::set<std::string> busy;
    bool notPermitted = false;
    std::vector<std::string> flushed;
    std::vector<std::string> unmounted;
};

class LinuxVolumesTest : public ::testing::Test {
public:
    LinuxVolumesTest() {
        const std::string strInterface =
            sysfs.AddUsbDevice("pci0000:00/0000:00:14.0/usb2/2-1", "480");
        strScsiDir =
            sysfs.AddScsiDisk({.strParent = strInterface + "/host6", .nPartitions = nPartitions});
    }

    bool Prepare(VolumeReport& report) {
        const CSysfsDirectoryTree tree(sysfs.Root());
        const StorageDeviceNumber disk{FILE_DEVICE_DISK, EncodeDevNumber(8, 16), 0};
        return PrepareLinuxVolumes(tree, calls, disk, report);
    }

    static constexpr int nPartitions = 2;
    CFakeSysfs sysfs;
    std::string strScsiDir;
    CFakeVolumeCalls calls;
};

TEST_F(LinuxVolumesTest, IdleMountsAreTestedFlushedAndUnmountedInnerFirst) {
    calls.mounts = {{8, 17, "/media/data"}, {8, 18, "/media/data/inner"}, {8, 1, "/"}};
    VolumeReport report;
    ASSERT_TRUE(Prepare(report));
    EXPECT_EQ(calls.flushed, (std::vector<std::string>{"/dev/sdb", "/dev/sdb1", "/dev/sdb2"}));
    EXPECT_EQ(calls.unmounted, (std::vector<std::string>{"/media/data/inner", "/media/data"}));
    EXPECT_EQ(report.unmounted,
              (std::vector<std::u16string>{u"/media/data/inner", u"/media/data"}));
}

TEST_F(LinuxVolumesTest, NothingMountedPassesAfterTheExclusiveTest) {
    VolumeReport report;
    EXPECT_TRUE(Prepare(report));
    EXPECT_TRUE(calls.unmounted.empty());
    EXPECT_TRUE(report.inUse.empty());
}

TEST_F(LinuxVolumesTest, AnythingInUseStopsBeforeAnythingChanges) {
    struct Case {
        const char* pszWhat;
        std::function<void(LinuxVolumesTest&)> arrange;
        const char16_t* pszReported;
    };
    const Case cases[] = {
        {"busy mount", [](LinuxVolumesTest& t) { t.calls.busy.insert("/media/photos"); },
         u"/media/photos is in use"},
        {"no permission", [](LinuxVolumesTest& t) { t.calls.notPermitted = true; },
         u"/media/photos cannot be unmounted: Operation not permitted"},
        {"device-mapper holder",
         [](LinuxVolumesTest& t) { t.sysfs.AddHolder(t.strScsiDir + "/block/sdb/sdb2", "dm-0"); },
         u"/dev/sdb2 is held by dm-0"},
        {"active swap",
         [](LinuxVolumesTest& t) {
             t.calls.swaps = {{8, 18}};
         },
         u"swap on 8:18"},
        {"open elsewhere", [](LinuxVolumesTest& t) { t.calls.openElsewhere.insert("/dev/sdb2"); },
         u"/dev/sdb2 is open in another program"},
    };
    for (const Case& c : cases) {
        LinuxVolumesTest& self = *this;
        self.calls = CFakeVolumeCalls{};
        self.calls.mounts = {{8, 17, "/media/photos"}};
        c.arrange(self);
        VolumeReport report;
        EXPECT_FALSE(Prepare(report)) << c.pszWhat;
        EXPECT_TRUE(calls.unmounted.empty()) << c.pszWhat << ": nothing unmounted";
        ASSERT_FALSE(report.inUse.empty()) << c.pszWhat;
        EXPECT_EQ(report.inUse.front(), c.pszReported) << c.pszWhat;
        std::filesystem::remove_all(strScsiDir + "/block/sdb/sdb2/holders");
    }
}

TEST_F(LinuxVolumesTest, AnUnknownDiskIsNeverTakenForFree) {
    const CSysfsDirectoryTree tree(sysfs.Root());
    VolumeReport report;
    EXPECT_FALSE(PrepareLinuxVolumes(
        tree, calls, StorageDeviceNumber{FILE_DEVICE_DISK, EncodeDevNumber(8, 99), 0}, report));
}

}  // namespace
}  // namespace rf::test
