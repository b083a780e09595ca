#pragma once

// A directory of the system's temporary space that lives as long as the
// object: made with a name nobody else holds, removed with all it holds.

#include <filesystem>
#include <optional>
#include <string>

namespace rf {

class CTempDirectory {
public:
    // Nullopt with a message when none can be made.
    static std::optional<CTempDirectory> Make(const std::string& strPrefix, std::string& strError);
    ~CTempDirectory();
    CTempDirectory(CTempDirectory&& other) noexcept;
    CTempDirectory& operator=(CTempDirectory&&) = delete;
    CTempDirectory(const CTempDirectory&) = delete;
    CTempDirectory& operator=(const CTempDirectory&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    explicit CTempDirectory(std::filesystem::path path) : m_path(std::move(path)) {}
    std::filesystem::path m_path;  // empty once moved from
};

}  // namespace rf
