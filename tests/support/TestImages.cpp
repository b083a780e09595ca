#include "support/TestImages.h"

#include <algorithm>
#include <cstring>

namespace rf::test {

std::vector<BYTE> MakePattern(std::size_t nSize, std::uint32_t nSeed) {
    std::vector<BYTE> bytes(nSize);
    std::uint32_t nState = nSeed * 2654435761u + 1;
    for (BYTE& b : bytes) {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        b = static_cast<BYTE>(nState >> 24);
    }
    return bytes;
}

std::vector<BYTE> MakeBridgeFirmware(std::size_t nSize, const std::string& strShortVersion,
                                     std::uint32_t nSeed) {
    std::vector<BYTE> image = MakePattern(nSize, nSeed);
    auto put = [&](std::size_t nOffset, const std::string& text, std::size_t nField) {
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(nOffset), nField, BYTE{0});
        std::copy_n(text.begin(), std::min(text.size(), nField),
                    image.begin() + static_cast<std::ptrdiff_t>(nOffset));
    };
    put(0x000, "ERI2", 4);
    put(0x008, strShortVersion, 4);
    put(0x0D0, "", 16);
    put(0x0E0, "\x27", 16);
    put(0x0F0, "VIRA    ", 16);
    put(0x240, strShortVersion + " KESTREL_DVXDUO 2013/11/12 15:11:15", 128);
    put(nSize - 16, "LAST", 16);
    return image;
}

}  // namespace rf::test
