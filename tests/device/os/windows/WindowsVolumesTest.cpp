// The drive-letter table and the volume preparation before an update,
// against stand-in volumes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

// The program's headers before the Win32 ones: windows.h makes macros of
// some of their names (MB_OK, WM_TIMER, IDOK...).
#include "device/ScsiDevice.h"
#include "support/TestEnvironment.h"
// clang-format off
#include "device/os/windows/FakeWin32Api.h"
#include "device/os/windows/WindowsDeviceSystem.h"
// clang-format on

namespace rf::test {
namespace {

constexpr char16_t kDrivePath[] = u"\\\\.\\PhysicalDrive1";
constexpr std::int32_t kDisk = FILE_DEVICE_DISK;

DWORD Letters(std::string_view letters) {
    DWORD mask = 0;
    for (const char cLetter : letters) {
        mask |= DWORD{1} << (cLetter - 'A');
    }
    return mask;
}

class WindowsVolumesTest : public ::testing::Test {
protected:
    // The enclosure is disk 1; C: lives on disk 0.
    WindowsVolumesTest() {
        api.volumes[u'C'] = FakeVolume{{kDisk, 0, 1}};
        api.drives[kDrivePath] = [](::DWORD dwCode, BYTE*, ::DWORD, BYTE* pOut, ::DWORD) {
            if (dwCode != IOCTL_STORAGE_GET_DEVICE_NUMBER) {
                return false;
            }
            STORAGE_DEVICE_NUMBER number{};
            number.DeviceType = kDisk;
            number.DeviceNumber = 1;
            std::memcpy(pOut, &number, sizeof(number));
            return true;
        };
        device.m_hDevice = system.Open(kDrivePath);
    }

    // Locks the volumes of disk 1 and keeps what was done to them after the
    // drive-letter table was refreshed.
    bool LockVolumes() {
        api.volumeCalls.clear();
        const bool bLocked = device.LockVolumes();
        const auto firstFlush =
            std::find_if(api.volumeCalls.begin(), api.volumeCalls.end(),
                         [](const std::string& strCall) { return strCall.ends_with("flush"); });
        if (firstFlush != api.volumeCalls.end()) {
            api.volumeCalls.erase(api.volumeCalls.begin(), firstFlush - 1);
        }
        return bLocked;
    }

    CTestEnvironment env;
    CFakeWin32Api api;
    CWindowsDeviceSystem system{api};
    CScsiDevice device{system};
};

TEST_F(WindowsVolumesTest, TheTableMatchesLettersWithTheDiskAndForgetsOnlyWhatAnswered) {
    api.volumes[u'A'] = FakeVolume{{kDisk, 1, 1}};
    api.volumes[u'E'] = FakeVolume{{kDisk, 1, 1}};
    api.volumes[u'F'] = FakeVolume{{kDisk, 1, 2}, DRIVE_REMOVABLE};
    api.volumes[u'G'] = FakeVolume{{kDisk, 2, 1}};
    api.volumes[u'H'] = FakeVolume{{kDisk, 1, 3}, DRIVE_FIXED, false, false};
    CDriveLetterTable& table = system.DriveLetters();
    table.RefreshDriveLetterTable();
    EXPECT_EQ(table.FindDriveLetters({kDisk, 1, 0}), Letters("EF")) << "A and B are never asked";
    EXPECT_EQ(table.FindDriveLetters({kDisk, 1, 2}), Letters("F"));
    EXPECT_EQ(table.FindDriveLetters({kDisk, 3, 0}), 0u);
    EXPECT_EQ(table.Entry('H' - 'A').DeviceType, -1);
    EXPECT_EQ(table.Entry('Z' - 'A').DeviceType, 0) << "no such volume";
    EXPECT_EQ(api.nOpenHandles, 1) << "only the drive stays open";

    // A letter that gave no number is skipped from now on; one that went
    // away is forgotten.
    api.volumes.erase(u'E');
    api.volumeCalls.clear();
    table.RefreshDriveLetterTable();
    EXPECT_EQ(table.FindDriveLetters({kDisk, 1, 0}), Letters("F"));
    EXPECT_EQ(std::count(api.volumeCalls.begin(), api.volumeCalls.end(), "H: open"), 0);
    EXPECT_EQ(std::count(api.volumeCalls.begin(), api.volumeCalls.end(), "A: open"), 0);
}

TEST_F(WindowsVolumesTest, EveryVolumeIsLockTestedThenFixedOnesAreDismountedRemovableOnlyFlushed) {
    api.volumes[u'E'] = FakeVolume{{kDisk, 1, 1}};
    api.volumes[u'F'] = FakeVolume{{kDisk, 1, 2}, DRIVE_REMOVABLE};
    EXPECT_TRUE(LockVolumes());
    EXPECT_EQ(api.volumeCalls,
              (std::vector<std::string>{"E: open", "E: flush", "E: lock", "E: close",      //
                                        "F: open", "F: flush", "F: lock", "F: close",      //
                                        "E: open", "E: flush", "E: dismount", "E: close",  //
                                        "F: open", "F: flush", "F: close"}))
        << "after the refresh of the table";
    EXPECT_EQ(device.m_volumeReport.unmounted, std::vector<std::u16string>{u"E:"});
    EXPECT_TRUE(device.m_volumeReport.inUse.empty());
}

TEST_F(WindowsVolumesTest, AVolumeInUseFailsAndWhatWasLockedIsUnlocked) {
    api.volumes[u'E'] = FakeVolume{{kDisk, 1, 1}};
    api.volumes[u'F'] = FakeVolume{{kDisk, 1, 2}};
    api.volumes[u'F'].bHeldOpen = true;
    EXPECT_FALSE(LockVolumes());
    EXPECT_EQ(api.volumeCalls,
              (std::vector<std::string>{"E: open", "E: flush", "E: lock", "E: close", "F: open",
                                        "F: flush", "F: lock", "F: close", "E: open", "E: unlock",
                                        "E: close"}));
    EXPECT_EQ(device.m_volumeReport.inUse, std::vector<std::u16string>{u"F: is in use"});

    // A dismount that fails: the volume itself and those not yet handled
    // are unlocked.
    api.volumes[u'F'].bHeldOpen = false;
    api.volumes[u'E'].bDismounts = false;
    EXPECT_FALSE(LockVolumes());
    ASSERT_GE(api.volumeCalls.size(), 8u);
    const std::vector<std::string> tail(api.volumeCalls.end() - 8, api.volumeCalls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"E: dismount", "E: close", "E: open", "E: unlock",
                                              "E: close", "F: open", "F: unlock", "F: close"}));
    EXPECT_EQ(device.m_volumeReport.inUse, std::vector<std::u16string>{u"E: cannot be dismounted"});
    EXPECT_EQ(api.nOpenHandles, 1);
}

TEST_F(WindowsVolumesTest, ADriveWithoutLettersPassesAndADeviceWithoutNumberFails) {
    EXPECT_TRUE(LockVolumes());
    EXPECT_TRUE(device.m_volumeReport.unmounted.empty());

    api.drives[kDrivePath] = [](::DWORD, BYTE*, ::DWORD, BYTE*, ::DWORD) { return false; };
    EXPECT_FALSE(LockVolumes());
    EXPECT_TRUE(api.volumeCalls.empty()) << "no volume touched";
}

}  // namespace
}  // namespace rf::test
