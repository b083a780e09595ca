#pragma once

#include "device/DevicePort.h"
#include "device/os/windows/DriveLetterTable.h"
#include "device/os/windows/Win32Api.h"

namespace rf {

// Disk devices on Windows: the physical drives the object manager lists,
// SCSI pass-through on their handles, and the drive letters on them.
class CWindowsDeviceSystem final : public IDeviceSystem {
public:
    explicit CWindowsDeviceSystem(IWin32Api& api) : m_api(api), m_driveNumbers(api) {}

    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;
    // "\\.\PhysicalDriveN" for every PhysicalDrive name, in the system's order.
    std::vector<PhysicalDrive> ListPhysicalDrives() override;
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override;

    CDriveLetterTable& DriveLetters() { return m_driveNumbers; }

private:
    IWin32Api& m_api;
    CDriveLetterTable m_driveNumbers;  // kept for the whole run
};

}  // namespace rf
