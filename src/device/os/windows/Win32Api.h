#pragma once

// Every Win32 call of the Windows drive port goes through this interface, so
// that tests can stand in for the storage stack, which Wine does not provide.
// The calls keep their Win32 names and arguments; only the arguments the port
// always passes the same way (security attributes, flags, templates,
// overlapped I/O) are left out.

#include <string>

#include "device/os/windows/Win32.h"

namespace rf {

class IWin32Api {
public:
    virtual ~IWin32Api() = default;
    virtual HANDLE CreateFileW(LPCWSTR pszPath, ::DWORD dwAccess, ::DWORD dwShareMode,
                               ::DWORD dwDisposition) = 0;
    virtual BOOL CloseHandle(HANDLE hObject) = 0;
    virtual BOOL DeviceIoControl(HANDLE hDevice, ::DWORD dwCode, LPVOID pIn, ::DWORD nInSize,
                                 LPVOID pOut, ::DWORD nOutSize, LPDWORD pReturned) = 0;
    virtual ::DWORD QueryDosDeviceW(LPCWSTR pszDevice, LPWSTR pszTargets, ::DWORD nMax) = 0;
    virtual BOOL FlushFileBuffers(HANDLE hFile) = 0;
    virtual ::UINT GetDriveTypeW(LPCWSTR pszRoot) = 0;
};

// The real calls.
class CWin32Api final : public IWin32Api {
public:
    HANDLE CreateFileW(LPCWSTR pszPath, ::DWORD dwAccess, ::DWORD dwShareMode,
                       ::DWORD dwDisposition) override;
    BOOL CloseHandle(HANDLE hObject) override;
    BOOL DeviceIoControl(HANDLE hDevice, ::DWORD dwCode, LPVOID pIn, ::DWORD nInSize, LPVOID pOut,
                         ::DWORD nOutSize, LPDWORD pReturned) override;
    ::DWORD QueryDosDeviceW(LPCWSTR pszDevice, LPWSTR pszTargets, ::DWORD nMax) override;
    BOOL FlushFileBuffers(HANDLE hFile) override;
    ::UINT GetDriveTypeW(LPCWSTR pszRoot) override;
};

// Our UTF-16 text as the wide strings of the Win32 calls (both are UTF-16
// code units on Windows).
inline LPCWSTR WideText(const std::u16string& text) {
    return reinterpret_cast<LPCWSTR>(text.c_str());
}

}  // namespace rf
