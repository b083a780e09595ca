#include "support/TempFiles.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "base/FilePath.h"
#include "base/Text.h"

namespace rf::test {

namespace fs = std::filesystem;

namespace {

// A directory of its own in the system's temporary folder: the name is
// taken only by the one that creates it.
std::string MakeUniqueDirectory(const char* pszPrefix) {
    std::random_device random;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    for (int nAttempt = 0; nAttempt < 100; ++nAttempt) {
        const fs::path candidate = base / (pszPrefix + std::to_string(random()));
        if (fs::create_directory(candidate, error)) {
            return PathToUtf8(candidate);
        }
    }
    return PathToUtf8(base / pszPrefix);
}

}  // namespace

CTempFiles::CTempFiles() : m_strRoot(MakeUniqueDirectory("reflasher-files-")) {}

CTempFiles::~CTempFiles() {
    std::error_code error;
    fs::remove_all(PathFromUtf8(m_strRoot), error);
}

std::u16string CTempFiles::Write(const std::string& strName, std::span<const BYTE> bytes) {
    std::ofstream out(PathFromUtf8(m_strRoot) / strName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return Path(strName);
}

std::u16string CTempFiles::Path(const std::string& strName) const {
    return Utf8ToUtf16(PathToUtf8(PathFromUtf8(m_strRoot) / strName));
}

std::string ReadFileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::map<std::string, std::string> DirectorySnapshot(const std::filesystem::path& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
        if (entry.is_regular_file()) {
            files[entry.path().lexically_relative(directory).generic_string()] =
                ReadFileText(entry.path());
        }
    }
    return files;
}

}  // namespace rf::test
