#include "device/os/windows/Win32Api.h"

namespace rf {

HANDLE CWin32Api::CreateFileW(LPCWSTR pszPath, ::DWORD dwAccess, ::DWORD dwShareMode,
                              ::DWORD dwDisposition) {
    return ::CreateFileW(pszPath, dwAccess, dwShareMode, nullptr, dwDisposition, 0, nullptr);
}

BOOL CWin32Api::CloseHandle(HANDLE hObject) {
    return ::CloseHandle(hObject);
}

BOOL CWin32Api::DeviceIoControl(HANDLE hDevice, ::DWORD dwCode, LPVOID pIn, ::DWORD nInSize,
                                LPVOID pOut, ::DWORD nOutSize, LPDWORD pReturned) {
    return ::DeviceIoControl(hDevice, dwCode, pIn, nInSize, pOut, nOutSize, pReturned, nullptr);
}

::DWORD CWin32Api::QueryDosDeviceW(LPCWSTR pszDevice, LPWSTR pszTargets, ::DWORD nMax) {
    return ::QueryDosDeviceW(pszDevice, pszTargets, nMax);
}

BOOL CWin32Api::FlushFileBuffers(HANDLE hFile) {
    return ::FlushFileBuffers(hFile);
}

::UINT CWin32Api::GetDriveTypeW(LPCWSTR pszRoot) {
    return ::GetDriveTypeW(pszRoot);
}

}  // namespace rf
