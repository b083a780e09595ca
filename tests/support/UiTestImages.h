#pragma once

// Images for the memories behind the front-panel controller, laid out as
// the carried ones are, with payloads that differ by seed only.

#include <cstdint>
#include <vector>

#include "base/Types.h"

namespace rf::test {

inline constexpr std::size_t kUiFirmwareSize = 61440;
inline constexpr std::size_t kResourceDataSize = 30309;

// Controller firmware of 61,440 bytes: magic at 0x90, the version triple at
// 0x98, a blank information block at 0xA0, code, then 0xFF to the end.
std::vector<BYTE> MakeUiFirmware(WORD wVersion, std::uint32_t nSeed);

// Resource data: magic, version triple, its own length at 0x24, data.
std::vector<BYTE> MakeResourceData(std::size_t nSize, WORD wVersion, std::uint32_t nSeed);

}  // namespace rf::test
