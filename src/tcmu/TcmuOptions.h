#pragma once

// reflasher-tcmu's options: the uio device and what the served enclosure
// needs, nothing of the updater's or the terminal's. Anything else is
// refused, so that a mistyped option never starts a server that does
// something other than what was asked.

#include <optional>
#include <string>
#include <vector>

namespace rf {

struct TcmuOptions {
    bool bHelp = false;
    bool bAsRealUnit = false;              // make the enclosure anew without the emulated mark
    std::optional<std::u16string> uio;     // the uio device, as "uio0"
    std::string emulateDirectory;          // --emulate[=DIR]
    std::optional<std::string> preset;     // make the enclosure anew from a preset first
    std::optional<std::string> flashChip;  // with --preset
    std::optional<std::string> spiChip;    // with --preset
    std::optional<std::string> clockFile;  // --clock FILE: a virtual clock shared with others
    std::optional<std::u16string> traceFile;
    std::vector<std::string> faults;  // --emulate-fault [UNIT:]KIND:N
};

struct TcmuOptionError {
    std::u16string argument;
    bool bMissingValue = false;
};

// nullopt on success, else the first argument that was wrong.
std::optional<TcmuOptionError> ParseTcmuOptions(const std::vector<std::u16string>& args,
                                                TcmuOptions& options,
                                                const std::string& strDefaultEmulateDirectory);

}  // namespace rf
