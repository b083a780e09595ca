#include "support/UiTestImages.h"

#include <algorithm>
#include <cstring>

#include "support/TestImages.h"

namespace rf::test {

namespace {

constexpr std::size_t kUiCodeEnd = 0xD000;

void PutWord(std::vector<BYTE>& image, std::size_t nOffset, std::uint32_t nValue) {
    image[nOffset] = static_cast<BYTE>(nValue);
    image[nOffset + 1] = static_cast<BYTE>(nValue >> 8);
}

void PutText(std::vector<BYTE>& image, std::size_t nOffset, const char* pszText) {
    std::memcpy(image.data() + nOffset, pszText, std::strlen(pszText));
}

}  // namespace

std::vector<BYTE> MakeUiFirmware(WORD wVersion, std::uint32_t nSeed) {
    std::vector<BYTE> image = MakePattern(kUiFirmwareSize, nSeed);
    std::fill(image.begin() + 0x80, image.begin() + 0x90, BYTE{0xFF});
    std::fill_n(image.begin() + 0x80, 5, BYTE{0});
    PutText(image, 0x90, "QV_UI78K");
    PutWord(image, 0x98, wVersion);
    PutWord(image, 0x9A, 0x436C);
    PutWord(image, 0x9C, 0x8B82);
    PutWord(image, 0x9E, 0);
    std::fill_n(image.begin() + 0xA0, 16, BYTE{0xFF});
    std::fill(image.begin() + kUiCodeEnd, image.end(), BYTE{0xFF});
    return image;
}

std::vector<BYTE> MakeResourceData(std::size_t nSize, WORD wVersion, std::uint32_t nSeed) {
    std::vector<BYTE> image = MakePattern(nSize, nSeed);
    std::fill_n(image.begin(), std::min<std::size_t>(nSize, 0x100), BYTE{0});
    PutText(image, 0, "RESOURCE");
    PutWord(image, 0x08, wVersion);
    PutWord(image, 0x0A, 0x436C);
    PutWord(image, 0x0C, 0x71E7);
    PutWord(image, 0x20, 2);
    PutWord(image, 0x24, static_cast<std::uint32_t>(nSize));
    PutWord(image, 0x26, static_cast<std::uint32_t>(nSize >> 16));
    return image;
}

}  // namespace rf::test
