#pragma once

// The mark every image the generator makes carries (tools/imagegen writes
// it where a description's `mark` line says: a field its format leaves to
// nobody, inside any checksum the format has, so the image stays valid).
// The program refuses an image that holds it on a real unit. The maker's
// images never hold it; neither do the generator's stand-ins for them.
//
// Header only: the generator is built on its own for the build machine.

#include <array>
#include <cstdint>

namespace rf {

// Twelve bytes, so that it fits the smallest of the free fields (fourteen
// zero bytes after the bridge firmware's version number); the binary tail
// keeps text that merely reads alike from matching.
inline constexpr std::array<std::uint8_t, 12> kTestImageMark = {'T', 'E', 'S', 'T', '-',  'I',
                                                                'M', 'A', 'G', 'E', 0xA5, 0x5A};

}  // namespace rf
