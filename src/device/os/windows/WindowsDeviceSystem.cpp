#include "device/os/windows/WindowsDeviceSystem.h"

#include <string_view>

#include "device/os/windows/WindowsDeviceHandle.h"
#include "device/os/windows/WindowsVolumes.h"

namespace rf {

namespace {

constexpr ::DWORD kDosDeviceListLength = 0x10000;  // wide characters
constexpr std::u16string_view kPhysicalDrivePrefix = u"PhysicalDrive";

}  // namespace

std::unique_ptr<IDeviceHandle> CWindowsDeviceSystem::Open(const std::u16string& path) {
    return OpenWindowsDevice(m_api, path);
}

std::vector<PhysicalDrive> CWindowsDeviceSystem::ListPhysicalDrives() {
    // Zero-terminated names ending with an empty one. The buffer starts
    // zeroed and its last two characters stay zero, so a failed or cut-off
    // answer still ends.
    std::u16string names(kDosDeviceListLength, u'\0');
    m_api.QueryDosDeviceW(nullptr, reinterpret_cast<LPWSTR>(names.data()),
                          kDosDeviceListLength - 2);
    std::vector<PhysicalDrive> drives;
    for (std::size_t nAt = 0; names[nAt] != u'\0';) {
        const std::u16string_view name(names.c_str() + nAt);
        nAt += name.size() + 1;
        if (!name.starts_with(kPhysicalDrivePrefix)) {
            continue;
        }
        PhysicalDrive drive;
        drive.strPath = u"\\\\.\\" + std::u16string(name);
        drive.strName = drive.strPath;
        drives.push_back(std::move(drive));
    }
    return drives;
}

bool CWindowsDeviceSystem::PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) {
    return LockDriveVolumes(m_api, m_driveNumbers, disk, report);
}

}  // namespace rf
