#pragma once

// Sense data in the fixed format, as the bridge and the disk behind it
// return it with CHECK CONDITION.

#include <array>

#include "base/Types.h"

namespace rf::emu {

inline constexpr std::size_t kFixedSenseLength = 18;

// key, additional sense code, qualifier
using SenseCode = std::array<BYTE, 3>;

inline constexpr SenseCode kSenseInvalidOpcode = {0x05, 0x20, 0x00};
inline constexpr SenseCode kSenseInvalidField = {0x05, 0x24, 0x00};
inline constexpr SenseCode kSenseAborted = {0x0B, 0x00, 0x00};

constexpr std::array<BYTE, kFixedSenseLength> FixedSense(const SenseCode& code) {
    std::array<BYTE, kFixedSenseLength> sense{};
    sense[0] = 0x70;  // current error, fixed format
    sense[2] = code[0];
    sense[7] = kFixedSenseLength - 8;
    sense[12] = code[1];
    sense[13] = code[2];
    return sense;
}

}  // namespace rf::emu
