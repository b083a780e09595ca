#pragma once

// The window's own option: "Emulate" or "Emulate=DIR" (with "/", "-" or
// "--", any letter case) works on the emulated enclosure kept in DIR, as the
// terminal front end's --emulate does. Every other argument is the updater's.

#include <optional>
#include <string>
#include <vector>

namespace rf {

// The window's own keyword, as its manual page names it.
inline constexpr char kWindowEmulateOption[] = "Emulate";

struct WindowOptions {
    std::optional<std::string> emulateDirectory;
    std::vector<std::u16string> updaterArgs;
};

// strDefaultEmulatorDirectory is taken by a plain "Emulate" (or an empty DIR).
WindowOptions SplitWindowOptions(const std::vector<std::u16string>& args,
                                 const std::string& strDefaultEmulatorDirectory);

}  // namespace rf
