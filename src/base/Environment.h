#pragma once

// The process environment and the user's directories, the same on every
// system: values and paths as UTF-8, whatever the system keeps them in.

#include <filesystem>
#include <optional>
#include <string>

namespace rf {

// The variable's value; nothing when it is not set or empty.
std::optional<std::string> GetEnvironmentUtf8(const char* pszName);
// Sets the variable, or removes it with nullopt.
void SetEnvironmentUtf8(const char* pszName, const std::optional<std::string>& value);

// Where the program keeps what it remembers for the user between runs:
// $XDG_STATE_HOME or ~/.local/state on Linux, %LOCALAPPDATA% on Windows.
std::filesystem::path UserStateDirectory();

}  // namespace rf
