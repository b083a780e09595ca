#pragma once

#include "device/DevicePort.h"
#include "device/os/windows/DriveLetterTable.h"

namespace rf {

// Before the disk is written: every drive letter on it is flushed and must
// take an exclusive lock (a volume another program holds open refuses it);
// when all of them can, each is flushed again and, on a fixed disk,
// dismounted. Removable volumes are only flushed. On a failure every volume
// locked so far is unlocked again and the report names the letter.
bool LockDriveVolumes(IWin32Api& api, CDriveLetterTable& table, const StorageDeviceNumber& disk,
                      VolumeReport& report);

}  // namespace rf
