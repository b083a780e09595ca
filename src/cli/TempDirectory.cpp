#include "cli/TempDirectory.h"

#include <random>

#include "base/FilePath.h"

namespace rf {

std::optional<CTempDirectory> CTempDirectory::Make(const std::string& strPrefix,
                                                   std::string& strError) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        strError = "no temporary directory: " + SystemErrorText(error);
        return std::nullopt;
    }
    std::random_device random;
    // A name taken by someone else is tried again; a few tries are plenty.
    for (int nTry = 0; nTry < 16; ++nTry) {
        const std::filesystem::path path = base / (strPrefix + std::to_string(random()));
        if (std::filesystem::create_directory(path, error)) {
            return CTempDirectory(path);
        }
        if (error) {
            strError =
                "cannot make a directory in " + PathToUtf8(base) + ": " + SystemErrorText(error);
            return std::nullopt;
        }
    }
    strError = "cannot make a directory of its own in " + PathToUtf8(base);
    return std::nullopt;
}

CTempDirectory::CTempDirectory(CTempDirectory&& other) noexcept : m_path(std::move(other.m_path)) {
    other.m_path.clear();
}

CTempDirectory::~CTempDirectory() {
    if (!m_path.empty()) {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
}

}  // namespace rf
