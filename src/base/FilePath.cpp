#include "base/FilePath.h"

#include <cerrno>
#include <fstream>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <locale.h>
#include <string.h>
#endif

namespace rf {

std::filesystem::path PathFromUtf8(std::string_view strPath) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(strPath.data()), strPath.size()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path PathFromUtf16(std::u16string_view strPath) {
    // The library converts UTF-16 to the system's own form on each system.
    return std::filesystem::path(std::u16string(strPath));
}

bool CanWriteInDirectory(const std::filesystem::path& directory, std::string& strReason) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path existing = directory;
    while (!fs::exists(existing, error)) {
        if (error || !existing.has_relative_path()) {
            strReason = error ? SystemErrorText(error) : "no such directory";
            return false;
        }
        existing = existing.parent_path();
    }
    if (!fs::is_directory(existing, error)) {
        strReason = SystemErrorText(ENOTDIR);
        return false;
    }
    std::random_device random;
    const fs::path probe = existing / (".reflasher-probe-" + std::to_string(random()));
    if (!fs::create_directory(probe, error)) {
        strReason = error ? SystemErrorText(error) : "a name of its own could not be made";
        return false;
    }
    fs::remove(probe, error);
    return true;
}

std::string LastFileErrorText() {
    return SystemErrorText(errno);
}

std::string SystemErrorText(int nError) {
#ifndef _WIN32
    // The program keeps the "C" locale for everything else (numbers in
    // files and JSON); only the message is asked for in the user's.
    if (const locale_t user = newlocale(LC_MESSAGES_MASK, "", static_cast<locale_t>(0))) {
        std::string text = strerror_l(nError, user);
        freelocale(user);
        return text;
    }
#endif
    return std::generic_category().message(nError);
}

std::string SystemErrorText(const std::error_code& error) {
    return error.category() == std::generic_category() || error.category() == std::system_category()
               ? SystemErrorText(error.value())
               : error.message();
}

bool ReadFileBytes(const std::filesystem::path& path, std::vector<unsigned char>& bytes) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return false;
    }
    const std::streamoff nSize = file.tellg();
    if (nSize < 0) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(nSize));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), nSize);
    return static_cast<bool>(file);
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         std::string& strError) {
    std::filesystem::path temporary = path;
    temporary += ".new";
    std::error_code error;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        file.close();
        if (!file) {
            std::filesystem::remove(temporary, error);
            strError = "cannot write " + PathToUtf8(temporary);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        strError = "cannot replace " + PathToUtf8(path) + ": " + SystemErrorText(error);
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace rf
