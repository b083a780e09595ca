#pragma once

// The storage stack as the Windows port sees it, made by a test: physical
// drives whose requests a test answers, and drive-letter volumes with
// their disk numbers, drive types and locks. Every volume request is
// written down as "E: lock" and the like.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "device/DevicePort.h"
#include "device/os/windows/Win32Api.h"

namespace rf::test {

struct FakeVolume {
    StorageDeviceNumber number;
    ::UINT nDriveType = DRIVE_FIXED;
    bool bHeldOpen = false;      // another program has files open: no lock
    bool bAnswersNumber = true;  // the device-number request succeeds
    bool bDismounts = true;
};

class CFakeWin32Api final : public IWin32Api {
public:
    // A request on a physical drive: the code, the input as sent, and the
    // output to fill in. Returns the DeviceIoControl result.
    using DriveRequest = std::function<bool(::DWORD dwCode, BYTE* pIn, ::DWORD nInSize, BYTE* pOut,
                                            ::DWORD nOutSize)>;

    HANDLE CreateFileW(LPCWSTR pszPath, ::DWORD dwAccess, ::DWORD dwShareMode,
                       ::DWORD dwDisposition) override;
    BOOL CloseHandle(HANDLE hObject) override;
    BOOL DeviceIoControl(HANDLE hDevice, ::DWORD dwCode, LPVOID pIn, ::DWORD nInSize, LPVOID pOut,
                         ::DWORD nOutSize, LPDWORD pReturned) override;
    ::DWORD QueryDosDeviceW(LPCWSTR pszDevice, LPWSTR pszTargets, ::DWORD nMax) override;
    BOOL FlushFileBuffers(HANDLE hFile) override;
    ::UINT GetDriveTypeW(LPCWSTR pszRoot) override;

    // Physical drives by path ("\\.\PhysicalDrive1"), each with its answers.
    std::map<std::u16string, DriveRequest> drives;
    // Volumes by letter.
    std::map<char16_t, FakeVolume> volumes;
    // The object manager's names, each ending with a zero.
    std::u16string dosDeviceNames;
    // "E: open", "E: flush", "E: lock", "E: unlock", "E: dismount", "E: close".
    std::vector<std::string> volumeCalls;
    int nOpenHandles = 0;

private:
    std::map<HANDLE, std::u16string> m_handles;
    std::uintptr_t m_nNextHandle = 0x100;
};

}  // namespace rf::test
