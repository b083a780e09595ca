#include "device/os/windows/WindowsVolumes.h"

namespace rf {

namespace {

DWORD Bit(int nLetter) {
    return DWORD{1} << nLetter;
}

// Gives back what the first pass took; the volume being handled is already
// closed.
bool Fail(IWin32Api& api, int nLetter, const char16_t* pszWhat, DWORD locked,
          VolumeReport& report) {
    report.inUse.push_back(VolumeName(nLetter) + pszWhat);
    for (int i = 0; i < kDriveLetterCount; ++i) {
        if ((locked & Bit(i)) == 0) {
            continue;
        }
        CVolume volume(api, i);
        if (volume.IsOpen()) {
            volume.Control(FSCTL_UNLOCK_VOLUME);
        }
    }
    return false;
}

}  // namespace

bool LockDriveVolumes(IWin32Api& api, CDriveLetterTable& table, const StorageDeviceNumber& disk,
                      VolumeReport& report) {
    table.RefreshDriveLetterTable();
    const DWORD mask = table.FindDriveLetters(disk);

    // First every volume must take the lock; closing it ends the lock again,
    // so nothing is held while the others are tried.
    DWORD locked = 0;
    for (int i = 0; i < kDriveLetterCount; ++i) {
        if ((mask & Bit(i)) == 0) {
            continue;
        }
        CVolume volume(api, i);
        if (!volume.IsOpen()) {
            return Fail(api, i, u" cannot be opened", locked, report);
        }
        volume.FlushFileBuffers();
        if (!volume.Control(FSCTL_LOCK_VOLUME)) {
            volume.Close();
            return Fail(api, i, u" is in use", locked, report);
        }
        locked |= Bit(i);
    }

    // Then each is flushed again and a fixed disk's file system is taken
    // offline, so that nothing cached is written over the new contents.
    for (int i = 0; i < kDriveLetterCount && locked != 0; ++i) {
        if ((locked & Bit(i)) == 0) {
            continue;
        }
        CVolume volume(api, i);
        if (!volume.IsOpen()) {
            return Fail(api, i, u" cannot be opened", locked, report);
        }
        volume.FlushFileBuffers();
        if (api.GetDriveTypeW(WideText(VolumeRoot(i))) == DRIVE_FIXED) {
            if (!volume.Control(FSCTL_DISMOUNT_VOLUME)) {
                volume.Close();
                return Fail(api, i, u" cannot be dismounted", locked, report);
            }
            report.unmounted.push_back(VolumeName(i));
        }
        locked &= ~Bit(i);
    }
    return true;
}

}  // namespace rf
