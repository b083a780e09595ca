#include "device/os/windows/FakeWin32Api.h"

#include <algorithm>
#include <cstring>

namespace rf::test {

namespace {

// The letter of "\\.\E:" or "E:\"; 0 for anything else.
char16_t VolumeLetter(const std::u16string& path) {
    if (path.size() == 6 && path.starts_with(u"\\\\.\\") && path[5] == u':') {
        return path[4];
    }
    if (path.size() == 3 && path[1] == u':' && path[2] == u'\\') {
        return path[0];
    }
    return 0;
}

std::string Name(char16_t cLetter) {
    return std::string(1, static_cast<char>(cLetter)) + ":";
}

}  // namespace

HANDLE CFakeWin32Api::CreateFileW(LPCWSTR pszPath, ::DWORD dwAccess, ::DWORD dwShareMode,
                                  ::DWORD dwDisposition) {
    const std::u16string path(reinterpret_cast<const char16_t*>(pszPath));
    const bool bArguments = dwAccess == (GENERIC_READ | GENERIC_WRITE) &&
                            dwShareMode == (FILE_SHARE_READ | FILE_SHARE_WRITE) &&
                            dwDisposition == OPEN_EXISTING;
    const char16_t cLetter = VolumeLetter(path);
    if (cLetter != 0) {
        volumeCalls.push_back(Name(cLetter) + " open");
    }
    if (!bArguments || (!drives.contains(path) && !volumes.contains(cLetter))) {
        return INVALID_HANDLE_VALUE;
    }
    const auto hHandle = reinterpret_cast<HANDLE>(m_nNextHandle++);
    m_handles[hHandle] = path;
    ++nOpenHandles;
    return hHandle;
}

BOOL CFakeWin32Api::CloseHandle(HANDLE hObject) {
    const auto it = m_handles.find(hObject);
    if (it == m_handles.end()) {
        return FALSE;
    }
    if (const char16_t cLetter = VolumeLetter(it->second)) {
        volumeCalls.push_back(Name(cLetter) + " close");
    }
    m_handles.erase(it);
    --nOpenHandles;
    return TRUE;
}

BOOL CFakeWin32Api::DeviceIoControl(HANDLE hDevice, ::DWORD dwCode, LPVOID pIn, ::DWORD nInSize,
                                    LPVOID pOut, ::DWORD nOutSize, LPDWORD pReturned) {
    *pReturned = 0;
    const auto it = m_handles.find(hDevice);
    if (it == m_handles.end()) {
        return FALSE;
    }
    if (const auto drive = drives.find(it->second); drive != drives.end()) {
        return drive->second && drive->second(dwCode, static_cast<BYTE*>(pIn), nInSize,
                                              static_cast<BYTE*>(pOut), nOutSize);
    }
    const char16_t cLetter = VolumeLetter(it->second);
    const FakeVolume& volume = volumes.at(cLetter);
    switch (dwCode) {
        case IOCTL_STORAGE_GET_DEVICE_NUMBER: {
            if (!volume.bAnswersNumber || nOutSize < sizeof(STORAGE_DEVICE_NUMBER)) {
                return FALSE;
            }
            STORAGE_DEVICE_NUMBER number{};
            number.DeviceType = static_cast<DEVICE_TYPE>(volume.number.DeviceType);
            number.DeviceNumber = volume.number.DeviceNumber;
            number.PartitionNumber = static_cast<::DWORD>(volume.number.PartitionNumber);
            std::memcpy(pOut, &number, sizeof(number));
            *pReturned = sizeof(number);
            return TRUE;
        }
        case FSCTL_LOCK_VOLUME:
            volumeCalls.push_back(Name(cLetter) + " lock");
            return !volume.bHeldOpen;
        case FSCTL_UNLOCK_VOLUME:
            volumeCalls.push_back(Name(cLetter) + " unlock");
            return TRUE;
        case FSCTL_DISMOUNT_VOLUME:
            volumeCalls.push_back(Name(cLetter) + " dismount");
            return volume.bDismounts;
        default:
            return FALSE;
    }
}

::DWORD CFakeWin32Api::QueryDosDeviceW(LPCWSTR pszDevice, LPWSTR pszTargets, ::DWORD nMax) {
    if (pszDevice != nullptr) {
        return 0;
    }
    const std::size_t nLength = std::min<std::size_t>(dosDeviceNames.size(), nMax);
    std::copy_n(dosDeviceNames.begin(), nLength, reinterpret_cast<char16_t*>(pszTargets));
    return static_cast<::DWORD>(nLength);
}

BOOL CFakeWin32Api::FlushFileBuffers(HANDLE hFile) {
    const auto it = m_handles.find(hFile);
    if (it == m_handles.end()) {
        return FALSE;
    }
    if (const char16_t cLetter = VolumeLetter(it->second)) {
        volumeCalls.push_back(Name(cLetter) + " flush");
    }
    return TRUE;
}

::UINT CFakeWin32Api::GetDriveTypeW(LPCWSTR pszRoot) {
    const char16_t cLetter = VolumeLetter(reinterpret_cast<const char16_t*>(pszRoot));
    const auto it = volumes.find(cLetter);
    return it != volumes.end() ? it->second.nDriveType : DRIVE_NO_ROOT_DIR;
}

}  // namespace rf::test
