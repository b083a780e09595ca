#pragma once

// The firmware combinations that were shipped, by the four version texts
// of bridge firmware, SEEPROM(Host), UI firmware and UI resource data.

#include <array>
#include <string>

#include "base/Types.h"

namespace rf {

// The product version (major in the high byte, minor in the low byte) of a
// combination, or 0xFFFF when it is none that was shipped.
WORD LookUpProductVersion(const std::array<std::u16string, 4>& versions);

// "Ver.1.01", or "Unknown" for 0xFFFF.
std::u16string FormatProductVersion(WORD wVersion);

}  // namespace rf
