#include <gtest/gtest.h>

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/Text.h"
#include "device/FindDevice.h"
#include "device/ScsiDevice.h"
#include "device/os/linux/LinuxDeviceSystem.h"
#include "device/os/linux/ScsiTopology.h"
#include "device/os/linux/SysfsDirectoryTree.h"
#include "framework/MessageLoop.h"
#include "support/FakeSysfs.h"
#include "support/ScriptedDevice.h"
#include "support/TestEnvironment.h"
#include "update/UnitChoice.h"

namespace rf::test {
namespace {

const std::string kUsbHost = "pci0000:00/0000:00:14.0/usb2/2-1";

std::string AddUsbEnclosure(CFakeSysfs& sysfs, const std::string& strSpeed,
                            FakeScsiDisk disk = {}) {
    const std::string strInterface = sysfs.AddUsbDevice(kUsbHost, strSpeed);
    sysfs.AddDir(strInterface + "/host6", "scsi");
    disk.strParent = strInterface + "/host6";
    return sysfs.AddScsiDisk(disk);
}

const std::string kSata = "pci0000:00/0000:00:17.0/ata1";
const FakeScsiDisk kAtaDisk{.strVendor = "ATA", .strModel = "Samsung SSD 870"};

TEST(ScsiTopologyTest, UsbLinkSpeedGivesTheBusVersion) {
    struct Case {
        const char* pszSpeed;
        BYTE nMajor;
        BYTE nMinor;
    };
    for (const Case c : {Case{"12", 1, 1}, Case{"1.5", 1, 1}, Case{"480", 2, 0}, Case{"5000", 3, 0},
                         Case{"10000", 3, 1}}) {
        CFakeSysfs sysfs;
        // The root hub above the device runs faster; the device's own link counts.
        sysfs.AddDir("pci0000:00/0000:00:14.0/usb2", "usb", "usb");
        sysfs.WriteAttribute(sysfs.Root() + "/devices/pci0000:00/0000:00:14.0/usb2", "speed",
                             "5000");
        const std::string strScsiDir = AddUsbEnclosure(sysfs, c.pszSpeed);
        const ScsiBusInfo bus =
            ClassifyBus(CSysfsDirectoryTree(sysfs.Root()), strScsiDir + "/scsi_generic/sg1");
        EXPECT_EQ(bus.nBusType, BusTypeUsb) << c.pszSpeed;
        EXPECT_EQ(bus.nMajorVersion, c.nMajor) << c.pszSpeed;
        EXPECT_EQ(bus.nMinorVersion, c.nMinor) << c.pszSpeed;
    }
}

TEST(ScsiTopologyTest, FirewireAtaAtapiAndPlainScsiAreTellApart) {
    CFakeSysfs sysfs;
    const CSysfsDirectoryTree tree(sysfs.Root());

    sysfs.AddDir("pci0000:00/0000:00:1e.0/fw1", "firewire");
    sysfs.AddDir("pci0000:00/0000:00:1e.0/fw1/fw1.0", "firewire", "sbp2");
    const std::string strFirewire =
        sysfs.AddScsiDisk(DiskOnHost("pci0000:00/0000:00:1e.0/fw1/fw1.0", 7));
    EXPECT_EQ(ClassifyBus(tree, strFirewire).nBusType, BusType1394);

    const std::string strSata = sysfs.AddScsiDisk(DiskOnHost(kSata, 0, kAtaDisk));
    EXPECT_EQ(ClassifyBus(tree, strSata).nBusType, BusTypeAta);

    const std::string strOptical =
        sysfs.AddScsiDisk(DiskOnHost("pci0000:00/0000:00:17.0/ata2", 1, {.strType = "5"}));
    EXPECT_EQ(ClassifyBus(tree, strOptical).nBusType, BusTypeAtapi);

    const std::string strVirtio =
        sysfs.AddScsiDisk(DiskOnHost("pci0000:00/0000:00:04.0/virtio1", 2));
    const ScsiBusInfo scsi = ClassifyBus(tree, strVirtio);
    EXPECT_EQ(scsi.nBusType, BusTypeScsi);
    EXPECT_EQ(scsi.nMajorVersion, 6);
}

TEST(ScsiTopologyTest, AddressAndDiskNumberOfAnSgNodeAndAPartition) {
    CFakeSysfs sysfs;
    const std::string strScsiDir =
        AddUsbEnclosure(sysfs, "480", {.strHctl = "6:0:2:1", .nPartitions = 2});
    const CSysfsDirectoryTree tree(sysfs.Root());

    ScsiAddress address;
    ASSERT_TRUE(ScsiAddressOf(tree, strScsiDir + "/scsi_generic/sg1", address));
    EXPECT_EQ(address.PortNumber, 6);
    EXPECT_EQ(address.PathId, 0);
    EXPECT_EQ(address.TargetId, 2);
    EXPECT_EQ(address.Lun, 1);

    StorageDeviceNumber disk;
    ASSERT_TRUE(DiskNumberOf(tree, strScsiDir + "/scsi_generic/sg1", disk));
    EXPECT_EQ(disk.DeviceType, FILE_DEVICE_DISK);
    EXPECT_EQ(disk.PartitionNumber, 0);

    StorageDeviceNumber partition;
    ASSERT_TRUE(DiskNumberOf(tree, strScsiDir + "/block/sdb/sdb2", partition));
    EXPECT_EQ(partition.DeviceNumber, disk.DeviceNumber) << "a partition belongs to its disk";
    EXPECT_EQ(partition.PartitionNumber, 2);

    EXPECT_FALSE(ScsiAddressOf(tree, sysfs.Root() + "/devices/pci0000:00", address));
}

TEST(ScsiTopologyTest, DisksAreListedInAStableOrderWithoutPartitionsOrOtherTypes) {
    CFakeSysfs sysfs;
    AddUsbEnclosure(sysfs, "480", {.nPartitions = 1});
    sysfs.AddScsiDisk(DiskOnHost(kSata, 0));
    // The 27th disk, without an sg node: sorted after sdb, not before it.
    FakeScsiDisk late = DiskOnHost("pci0000:00/0000:00:17.0/ata3", 3);
    late.strBlockName = "sdaa";
    late.strBlockDev = "65:160";
    late.strGenericName.clear();
    sysfs.AddScsiDisk(late);
    FakeScsiDisk optical = DiskOnHost("pci0000:00/0000:00:17.0/ata2", 2, {.strType = "5"});
    optical.strBlockName = "sr0";
    sysfs.AddScsiDisk(optical);
    const auto disks = ListScsiDisks(CSysfsDirectoryTree(sysfs.Root()));
    ASSERT_EQ(disks.size(), 3u);
    EXPECT_EQ(disks[0].strBlockName, "sda");
    EXPECT_EQ(disks[1].strBlockName, "sdb");
    EXPECT_EQ(disks[1].strGenericNode, "/dev/sg1");
    EXPECT_EQ(disks[1].strVendor, "KESTREL");
    EXPECT_EQ(disks[1].strModel, "DVX4400DUO");
    EXPECT_EQ(disks[2].strBlockName, "sdaa");
    EXPECT_EQ(disks[2].strGenericNode, "");
    EXPECT_TRUE(ListScsiDisks(CSysfsDirectoryTree(sysfs.Root() + "/missing")).empty());
}

// The whole Linux port under a real device node: /dev/null stands for the
// enclosure's sg node, the fake tree says where it hangs, and the kernel's
// SG_IO answers come from the test.
TEST(LinuxDeviceSystemTest, IdentifiesAnEnclosureThroughSgIo) {
    CTestEnvironment env;
    CFakeSysfs sysfs;
    const std::string strScsiDir = AddUsbEnclosure(sysfs, "12");
    struct stat info {};
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    sysfs.LinkCharDevice(
        std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev)),
        strScsiDir + "/scsi_generic/sg1");

    const std::vector<BYTE> inquiry = MakeInquiry("KESTREL ", "DVX4400DUO", "0027");
    int nCommands = 0;
    const CSysfsDirectoryTree tree(sysfs.Root());
    CLinuxVolumeSystemCalls volumeCalls;
    CLinuxDeviceSystem system(tree, volumeCalls, [&](int, unsigned long, void* pArgument) {
        auto* pHeader = static_cast<sg_io_hdr_t*>(pArgument);
        ++nCommands;
        if (pHeader->cmdp[0] == 0x12) {
            std::memcpy(pHeader->dxferp, inquiry.data(),
                        std::min<std::size_t>(pHeader->dxfer_len, inquiry.size()));
        }
        return 0;
    });
    CScsiDevice device(system);
    ASSERT_TRUE(device.Open(u"/dev/null"));
    EXPECT_EQ(nCommands, 1);
    EXPECT_EQ(device.m_strBusName, u"USB1.1");
    EXPECT_EQ(device.m_strProductName, u"KESTREL  DVX4400DUO");
    EXPECT_EQ(device.m_bPathId, 0);
    StorageDeviceNumber number;
    EXPECT_TRUE(device.GetDeviceNumber(&number));
    EXPECT_EQ(number.DeviceNumber, (8u << 20) | 16u);
}

TEST(LinuxDeviceSystemTest, OnlyDeviceNodesAreOpened) {
    CFakeSysfs sysfs;
    const std::string strFile = sysfs.Root() + "/plain-file";
    std::ofstream(strFile) << "not a device";
    int nCommands = 0;
    const CSysfsDirectoryTree tree(sysfs.Root());
    CLinuxVolumeSystemCalls volumeCalls;
    CLinuxDeviceSystem system(tree, volumeCalls,
                              [&](int, unsigned long, void*) { return ++nCommands, 0; });
    EXPECT_EQ(system.Open(Utf8ToUtf16(strFile)), nullptr);
    EXPECT_EQ(system.Open(u"/nonexistent/sg9"), nullptr);
    // A node that sysfs does not describe opens, but cannot be identified.
    auto handle = system.Open(u"/dev/null");
    ASSERT_NE(handle, nullptr);
    StorageAdapterDescriptor adapter;
    EXPECT_FALSE(handle->QueryAdapter(adapter));
    EXPECT_EQ(nCommands, 0);
}

// The search over the computer's disks: /dev/null and /dev/zero stand for
// the sg nodes of an enclosure and of a USB stick. The stick is listed
// first and must never be sent a command.
TEST(LinuxDiscoveryTest, OnlyCandidatesAreAskedAndTheEnclosureIsFound) {
    CTestEnvironment env;
    CFakeSysfs sysfs;
    const std::string strStick = sysfs.AddUsbDevice("pci0000:00/0000:00:14.0/usb2/2-2", "480");
    FakeScsiDisk stick = DiskOnHost(
        strStick, 5,
        {.strGenericDevName = "zero", .strVendor = "SanDisk", .strModel = "Cruzer Blade"});
    stick.strBlockName = "sda";  // listed first
    stick.strGenericName = "sg0";
    const std::string strStickDir = sysfs.AddScsiDisk(stick);
    const std::string strEnclosure = AddUsbEnclosure(sysfs, "480", {.strGenericDevName = "null"});
    sysfs.AddScsiDisk(DiskOnHost(kSata, 2, kAtaDisk));
    for (const auto& [pszNode, strDir] :
         {std::pair{"/dev/null", strEnclosure}, std::pair{"/dev/zero", strStickDir}}) {
        struct stat info {};
        ASSERT_EQ(::stat(pszNode, &info), 0);
        sysfs.LinkCharDevice(
            std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev)),
            strDir + "/scsi_generic/" + (strDir == strEnclosure ? "sg1" : "sg0"));
    }

    const std::vector<BYTE> inquiry = MakeInquiry("KESTREL ", "DVX4400DUO", "0027");
    std::vector<std::string> asked;
    const CSysfsDirectoryTree tree(sysfs.Root());
    CLinuxVolumeSystemCalls volumeCalls;
    CLinuxDeviceSystem system(tree, volumeCalls, [&](int nFd, unsigned long, void* pArgument) {
        struct stat info {};
        ::fstat(nFd, &info);
        asked.push_back(minor(info.st_rdev) == 3 ? "enclosure" : "other");
        auto* pHeader = static_cast<sg_io_hdr_t*>(pArgument);
        if (pHeader->cmdp[0] == 0x12) {
            std::memcpy(pHeader->dxferp, inquiry.data(),
                        std::min<std::size_t>(pHeader->dxfer_len, inquiry.size()));
        }
        return 0;
    });

    const std::vector<PhysicalDrive> drives = system.ListPhysicalDrives();
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].strName, u"/dev/sda");
    EXPECT_EQ(drives[1].strName, u"/dev/sdb");
    EXPECT_EQ(drives[2].nBusType, BusTypeAta);
    EXPECT_EQ(system.ListPhysicalDrives()[1].strPath, drives[1].strPath)
        << "names stay while attached";

    CScsiDevice device(system);
    SearchDevice(device);
    ASSERT_TRUE(device.IsOpen());
    EXPECT_EQ(device.m_strPath, drives[1].strPath);
    EXPECT_EQ(device.m_strBusName, u"USB2.0");
    EXPECT_EQ(asked, std::vector<std::string>{"enclosure"});

    // Named by its sg node (here the node the test links), the drive is the
    // same, and still no other drive is asked anything.
    EXPECT_EQ(drives[1].strOtherName, u"/dev/null");
    asked.clear();
    CScsiDevice named(system);
    ASSERT_EQ(SearchNamedDevice(named, drives[1].strOtherName), DeviceChange::Found);
    EXPECT_EQ(named.m_strPath, drives[1].strPath);
    EXPECT_EQ(asked, std::vector<std::string>{"enclosure"});
}

}  // namespace
}  // namespace rf::test
