#pragma once

// Named starting points for the emulated enclosure: which firmware its
// memories hold, how it is attached, and which chips it carries.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/EmulatedEnclosure.h"

namespace rf {

struct EmulatorPreset {
    const char* pszName;
    const char* pszDescription;
};

std::vector<EmulatorPreset> EmulatorPresets();

// What a fresh emulated enclosure starts as: the oldest shipped firmware,
// so that the first update has work to do.
inline constexpr char kDefaultPreset[] = "row1";
// The chips the shipped units carry: every preset's, and a twin's where
// the unit could not name its own.
inline constexpr char kUsualFlashChip[] = "SST SST39VF020";
inline constexpr char kUsualSpiChip[] = "WINBOND W25X40A";

// Where the front panel's program flash keeps the unit's own name (its UI
// serial number), and how long it is.
inline constexpr std::size_t kUiInfoBlockOffset = 0xA0;
inline constexpr std::size_t kUiInfoBlockLength = 16;

// A fresh enclosure of the preset, with the chips given by their table
// names (empty: the preset's own). Null with a message for an unknown
// preset or chip.
std::shared_ptr<emu::CEmulatedEnclosure> MakeEmulatedEnclosure(std::string_view preset,
                                                               const std::string& strFlashChip,
                                                               const std::string& strSpiChip,
                                                               std::string& strError);

// Attaches the enclosure by the named link profile (see BusProfile.cpp).
// False with a message naming the profiles for an unknown name.
bool AttachByLink(emu::CEmulatedEnclosure& enclosure, std::string_view link, std::string& strError);

}  // namespace rf
