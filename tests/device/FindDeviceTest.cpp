#include <gtest/gtest.h>

#include "device/FindDevice.h"
#include "support/EmulatorFixture.h"

namespace rf::test {
namespace {

// What a window would be told of each pass: 1 found, 0 gone.
struct CChangeRecord {
    std::vector<int> changes;
};

std::shared_ptr<emu::CEmulatedEnclosure> MakeDrive(const std::string& strVendor,
                                                   const std::string& strProduct,
                                                   const char* pszBus = "usb2") {
    auto pDrive = std::make_shared<emu::CEmulatedEnclosure>(
        *emu::FindNorChipModel("SST SST39VF020"), *emu::FindBusProfile(pszBus));
    pDrive->SetIdentity(strVendor, strProduct);
    return pDrive;
}

class FindDeviceTest : public ::testing::Test {
protected:
    FindDeviceTest() : device(system) {}

    // One tick of the search.
    void Tick() {
        switch (SearchDevice(device)) {
            case DeviceChange::Found:
                dialog.changes.push_back(1);
                break;
            case DeviceChange::Gone:
                dialog.changes.push_back(0);
                break;
            case DeviceChange::None:
                break;
        }
    }

    CTestEnvironment env;
    emu::CEmulatedDeviceSystem system;
    CScsiDevice device;
    CChangeRecord dialog;
};

TEST_F(FindDeviceTest, TheFirstSupportedDriveWinsAndTheOthersAreLeftAlone) {
    auto stick = MakeDrive("SanDisk", "Cruzer Blade");
    auto first = MakeDrive("KESTREL", "DVX4400DUO");
    auto second = MakeDrive("KESTREL", "DVX4400DUO");
    auto sata =
        MakeDrive("KESTREL", "DVX4400DUO", "ata");  // a name that would match, on the wrong bus
    system.Attach(u"sda", sata);
    system.Attach(u"sdb", stick);
    system.Attach(u"sdc", first);
    system.Attach(u"sdd", second);

    for (int i = 0; i < 5; ++i) {
        Tick();
    }
    EXPECT_EQ(dialog.changes, std::vector<int>{1});
    EXPECT_EQ(device.m_strPath, u"sdc");
    EXPECT_TRUE(stick->Trace().empty()) << "a disk that cannot be ours gets no command";
    EXPECT_TRUE(sata->Trace().empty()) << "an ATA drive gets no command";
    EXPECT_TRUE(second->Trace().empty()) << "never opened while the first stays";
    const std::size_t nCommands = first->Trace().size();
    Tick();
    EXPECT_EQ(first->Trace().size(), nCommands) << "a tick with the device open sends nothing";
}

TEST_F(FindDeviceTest, AVanishedDriveIsReportedOnceAndTheNextOneIsFound) {
    auto first = MakeDrive("KESTREL", "DVX4400DUO");
    auto second = MakeDrive("KESTREL", "DVX4400DUO");
    system.Attach(u"sdb", first);
    system.Attach(u"sdc", second);
    Tick();
    ASSERT_EQ(device.m_strPath, u"sdb");
    system.Detach(u"sdb");
    Tick();
    Tick();
    EXPECT_EQ(dialog.changes, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(device.m_strPath, u"sdc");

    // Power lost: the drive leaves the system's list.
    second->PowerOff();
    Tick();
    Tick();
    EXPECT_EQ(dialog.changes, (std::vector<int>{1, 0, 1, 0}));
    EXPECT_FALSE(device.IsOpen());
}

TEST_F(FindDeviceTest, OtherProductsOnlyWithTheAllProductsOption) {
    auto dock = MakeDrive("KESTREL", "QVDock");
    system.Attach(u"sdb", dock);
    Tick();
    EXPECT_TRUE(dialog.changes.empty());
    EXPECT_TRUE(dock->Trace().empty());
    device.m_bAllProducts = true;
    Tick();
    EXPECT_EQ(dialog.changes, std::vector<int>{1});
    EXPECT_EQ(device.m_nProductClass, 1);
}

TEST_F(FindDeviceTest, VolumesInUseStopTheUpdateAndIdleOnesAreTakenOffline) {
    auto enclosure = MakeDrive("KESTREL", "DVX4400DUO");
    system.Attach(u"sdb", enclosure);
    system.SetVolumes(u"sdb", {{u"/media/backup", emu::VolumeState::MountedIdle},
                               {u"/media/photos", emu::VolumeState::Busy}});
    Tick();
    ASSERT_TRUE(device.IsOpen());
    EXPECT_FALSE(device.LockVolumes());
    EXPECT_EQ(device.m_volumeReport.inUse, std::vector<std::u16string>{u"/media/photos is in use"});
    EXPECT_EQ(system.Volumes(u"sdb")[0].state, emu::VolumeState::MountedIdle)
        << "nothing was taken offline";

    system.SetVolumes(u"sdb", {{u"/media/backup", emu::VolumeState::MountedIdle}});
    EXPECT_TRUE(device.LockVolumes());
    EXPECT_EQ(device.m_volumeReport.unmounted, std::vector<std::u16string>{u"/media/backup"});
    EXPECT_EQ(system.Volumes(u"sdb")[0].state, emu::VolumeState::Free);
}

TEST_F(FindDeviceTest, KnownInquiryTextsDecideWhoMayBeAsked) {
    struct Case {
        const char* pszVendor;
        const char* pszProduct;
        bool bAll;
        bool bCandidate;
    };
    const Case cases[] = {
        {"KESTREL", "DVX4400DUO", false, true}, {"KESTREL", "DVX4400DUO-B", false, true},
        {"KESTREL", "QVDock", false, false},    {"KESTREL", "QVDock", true, true},
        {"Vantoro", "duoMirror", true, true},   {"ATA", "Samsung SSD 870", true, false},
        {"KESTREL", "DVX4400", false, false},
    };
    for (const Case& c : cases) {
        const PhysicalDrive drive{
            .bInquiryKnown = true, .strVendor = c.pszVendor, .strProduct = c.pszProduct};
        EXPECT_EQ(MayBeSupported(drive, c.bAll), c.bCandidate)
            << c.pszVendor << " " << c.pszProduct;
    }
    EXPECT_TRUE(MayBeSupported(PhysicalDrive{}, false)) << "nothing known: it has to be asked";
}

}  // namespace
}  // namespace rf::test
