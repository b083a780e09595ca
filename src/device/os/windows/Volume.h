#pragma once

#include <memory>
#include <mutex>

#include "device/os/windows/WindowsDeviceHandle.h"

namespace rf {

inline constexpr int kDriveLetterCount = 26;  // A to Z

// "\\.\E:" for index 4, the path that opens a drive letter's volume.
std::u16string VolumePath(int nLetter);
// "E:\", the root directory of a drive letter.
std::u16string VolumeRoot(int nLetter);
// "E:", how people know it.
std::u16string VolumeName(int nLetter);

// A drive letter's volume, opened for one step, with the lock held around
// each request on it, as on every device object.
class CVolume {
public:
    CVolume(IWin32Api& api, int nLetter) : m_hVolume(OpenWindowsDevice(api, VolumePath(nLetter))) {}

    bool IsOpen() const { return m_hVolume != nullptr; }
    void Close() { m_hVolume.reset(); }
    bool FlushFileBuffers();
    // A control code without buffers (lock, unlock, dismount).
    bool Control(::DWORD dwCode);
    // On failure DeviceType is -1.
    bool GetDeviceNumber(StorageDeviceNumber& number);

private:
    std::unique_ptr<CWindowsDeviceHandle> m_hVolume;
    std::mutex m_lock;
};

}  // namespace rf
