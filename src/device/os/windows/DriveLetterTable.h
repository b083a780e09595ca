#pragma once

#include <array>

#include "device/os/windows/Volume.h"

namespace rf {

// Which disk and partition each drive letter lives on, so that the volumes
// of the enclosure's drive can be found. One table serves the whole run: a
// letter whose device-number request failed once (DeviceType -1) is not
// asked again. DeviceType 0 means no information.
class CDriveLetterTable {
public:
    explicit CDriveLetterTable(IWin32Api& api) : m_api(api) {}

    // Asks the letter's volume for its device number; false when the volume
    // cannot be opened (the entry stays zero) or does not answer (-1).
    bool QueryDriveLetter(int nLetter);
    // Forgets what was known and asks every letter after B again, except
    // those that never answered.
    void RefreshDriveLetterTable();
    // The letters on the disk (bit 0 = A). A partition number 0 stands for
    // the whole disk.
    DWORD FindDriveLetters(const StorageDeviceNumber& number) const;

    const StorageDeviceNumber& Entry(int nLetter) const {
        return m_driveNumbers[static_cast<std::size_t>(nLetter)];
    }

private:
    IWin32Api& m_api;
    std::array<StorageDeviceNumber, kDriveLetterCount> m_driveNumbers{};
};

}  // namespace rf
