#include <cstdlib>

#include "base/Environment.h"
#include "base/FilePath.h"

namespace rf {

std::optional<std::string> GetEnvironmentUtf8(const char* pszName) {
    const char* pszValue = std::getenv(pszName);
    if (pszValue == nullptr || *pszValue == '\0') {
        return std::nullopt;
    }
    return std::string(pszValue);
}

void SetEnvironmentUtf8(const char* pszName, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(pszName, value->c_str(), 1);
    } else {
        ::unsetenv(pszName);
    }
}

std::filesystem::path UserStateDirectory() {
    // A relative XDG_STATE_HOME is invalid and ignored.
    if (const auto state = GetEnvironmentUtf8("XDG_STATE_HOME"); state && state->front() == '/') {
        return PathFromUtf8(*state);
    }
    const auto home = GetEnvironmentUtf8("HOME");
    return PathFromUtf8(home.value_or(".")) / ".local" / "state";
}

}  // namespace rf
