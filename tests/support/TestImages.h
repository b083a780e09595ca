#pragma once

// Images for tests: bridge firmware that the emulated bridge will start,
// with a payload that differs from run to run of the seed only.

#include <cstdint>
#include <string>
#include <vector>

#include "base/Types.h"

namespace rf::test {

// A bridge firmware image of nSize bytes: magic, short version, chip-family
// tag, version number and string, end mark, and a pseudo-random payload.
std::vector<BYTE> MakeBridgeFirmware(std::size_t nSize, const std::string& strShortVersion,
                                     std::uint32_t nSeed);

// Pseudo-random bytes (never the same two images for different seeds).
std::vector<BYTE> MakePattern(std::size_t nSize, std::uint32_t nSeed);

}  // namespace rf::test
