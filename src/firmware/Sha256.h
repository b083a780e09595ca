#pragma once

// SHA-256 through the system's own library: nettle on Linux, the CNG
// hash functions (bcrypt) on Windows. Images are named by it in firmware
// packages. SHA-1 too, from the same places: the firmware ecosystem makes
// the GUIDs of devices with it.

#include <array>
#include <span>
#include <string>

#include "base/Types.h"

namespace rf {

using Sha256Digest = std::array<BYTE, 32>;
using Sha1Digest = std::array<BYTE, 20>;

Sha256Digest Sha256(std::span<const BYTE> bytes);
Sha1Digest Sha1(std::span<const BYTE> bytes);
// 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const BYTE> bytes);
std::string DigestHex(const Sha256Digest& digest);

}  // namespace rf
