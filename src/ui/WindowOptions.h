#pragma once

// The window's own options: "Emulate" or "Emulate=DIR" (with "/", "-" or
// "--", any letter case) works on the emulated enclosure kept in DIR, as the
// terminal front end's --emulate does; "Device=NAME" chooses the unit, as its
// --device does. Every other argument is the updater's.

#include <optional>
#include <string>
#include <vector>

namespace rf {

// The window's own keyword, as its manual page names it.
inline constexpr char kWindowEmulateOption[] = "Emulate";
// "Device=NAME": the unit to show, by drive or serial number, when several
// are attached.
inline constexpr char kWindowDeviceOption[] = "Device";

struct WindowOptions {
    std::optional<std::string> emulateDirectory;
    std::optional<std::u16string> device;
    std::vector<std::u16string> updaterArgs;
};

// strDefaultEmulatorDirectory is taken by a plain "Emulate" (or an empty DIR).
WindowOptions SplitWindowOptions(const std::vector<std::u16string>& args,
                                 const std::string& strDefaultEmulatorDirectory);

}  // namespace rf
