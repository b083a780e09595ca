#include <windows.h>

#include <system_error>

#include "base/DurableFile.h"

namespace rf {

namespace fs = std::filesystem;

// Windows has no directory to force: MOVEFILE_WRITE_THROUGH returns only
// once the rename is on the disk.
bool WriteFileDurably(const fs::path& path, std::span<const BYTE> bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    fs::path temporary = path;
    temporary += L".new";
    HANDLE hFile = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::DWORD dwWritten = 0;
    const bool bWritten =
        ::WriteFile(hFile, bytes.data(), static_cast<::DWORD>(bytes.size()), &dwWritten, nullptr) &&
        dwWritten == bytes.size() && ::FlushFileBuffers(hFile);
    ::CloseHandle(hFile);
    if (!bWritten || !::MoveFileExW(temporary.c_str(), path.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

bool RenameDurably(const fs::path& from, const fs::path& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFileDurably(const fs::path& path) {
    return ::DeleteFileW(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND ||
           ::GetLastError() == ERROR_PATH_NOT_FOUND;
}

}  // namespace rf
