#include "device/os/windows/DriveLetterTable.h"

namespace rf {

namespace {

constexpr std::int32_t kNoInformation = 0;
constexpr std::int32_t kRequestFailed = -1;
constexpr int kFirstQueriedLetter = 2;  // A and B are floppy letters: never touched

bool HasNumber(const StorageDeviceNumber& entry) {
    return entry.DeviceType != kNoInformation && entry.DeviceType != kRequestFailed;
}

bool PartitionFits(std::int32_t nWanted, std::int32_t nEntry) {
    if (nWanted == 0) {
        return nEntry != -1;
    }
    return nEntry == nWanted;
}

}  // namespace

bool CDriveLetterTable::QueryDriveLetter(int nLetter) {
    StorageDeviceNumber& entry = m_driveNumbers[static_cast<std::size_t>(nLetter)];
    entry = StorageDeviceNumber{};
    CVolume volume(m_api, nLetter);
    if (!volume.IsOpen()) {
        return false;
    }
    return volume.GetDeviceNumber(entry);
}

void CDriveLetterTable::RefreshDriveLetterTable() {
    for (StorageDeviceNumber& entry : m_driveNumbers) {
        if (HasNumber(entry)) {
            entry = StorageDeviceNumber{};
        }
    }
    for (int nLetter = kFirstQueriedLetter; nLetter < kDriveLetterCount; ++nLetter) {
        if (m_driveNumbers[static_cast<std::size_t>(nLetter)].DeviceType != kRequestFailed) {
            QueryDriveLetter(nLetter);
        }
    }
}

DWORD CDriveLetterTable::FindDriveLetters(const StorageDeviceNumber& number) const {
    DWORD mask = 0;
    for (int nLetter = 0; nLetter < kDriveLetterCount; ++nLetter) {
        const StorageDeviceNumber& entry = m_driveNumbers[static_cast<std::size_t>(nLetter)];
        if (HasNumber(entry) && entry.DeviceType == number.DeviceType &&
            entry.DeviceNumber == number.DeviceNumber &&
            PartitionFits(number.PartitionNumber, entry.PartitionNumber)) {
            mask |= DWORD{1} << nLetter;
        }
    }
    return mask;
}

}  // namespace rf
