#include "firmware/ImageKinds.h"
#include "base/Text.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "firmware/FirmwareImages.h"

namespace rf {

namespace {

constexpr std::size_t kSeepromHeaderLength = 128;
constexpr std::size_t kBridgeVersionString = 0x240;
constexpr std::size_t kBridgeVersionLength = 128;

std::string DateText(unsigned nYear, unsigned nMonth, unsigned nDay) {
    if (nYear < 1980 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31) {
        return {};
    }
    char acText[24];  // room for any unsigned the compiler cannot rule out
    std::snprintf(acText, sizeof acText, "%04u-%02u-%02u", nYear, nMonth, nDay);
    return acText;
}

// The first "YYYY/MM/DD" of the bridge firmware's version string.
std::string BridgeBuildDate(std::span<const BYTE> image) {
    if (image.size() < kBridgeVersionString + kBridgeVersionLength) {
        return {};
    }
    const std::string_view text(reinterpret_cast<const char*>(image.data()) + kBridgeVersionString,
                                kBridgeVersionLength);
    auto digits = [&](std::size_t nAt, std::size_t nCount, unsigned& nValue) {
        nValue = 0;
        for (std::size_t i = nAt; i < nAt + nCount; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return false;
            }
            nValue = nValue * 10 + static_cast<unsigned>(text[i] - '0');
        }
        return true;
    };
    for (std::size_t i = 0; i + 10 <= text.size() && text[i] != '\0'; ++i) {
        unsigned nYear = 0;
        unsigned nMonth = 0;
        unsigned nDay = 0;
        if (digits(i, 4, nYear) && text[i + 4] == '/' && digits(i + 5, 2, nMonth) &&
            text[i + 7] == '/' && digits(i + 8, 2, nDay)) {
            return DateText(nYear, nMonth, nDay);
        }
    }
    return {};
}

bool SeepromHeaderSumsToZero(std::span<const BYTE> image) {
    unsigned nSum = 0;
    for (std::size_t i = 0; i < kSeepromHeaderLength; i += 2) {
        nSum += static_cast<unsigned>(image[i] | image[i + 1] << 8);
    }
    return (nSum & 0xFFFF) == 0;
}

}  // namespace

ImageFault CheckImage(MemoryKind kind, std::span<const BYTE> image) {
    const MemoryKindInfo& facts = MemoryKindOf(kind);
    const std::size_t nHeader = kind == MemoryKind::Host ? kSeepromHeaderLength : 0;
    if (image.size() < facts.nMarkOffset + facts.mark.size() ||
        image.size() < facts.nVersionOffset + 2 || image.size() < nHeader) {
        return ImageFault::TooShort;
    }
    if (std::memcmp(image.data() + facts.nMarkOffset, facts.mark.data(), facts.mark.size()) != 0) {
        return ImageFault::NoMark;
    }
    if (kind == MemoryKind::Host && !SeepromHeaderSumsToZero(image)) {
        return ImageFault::BadChecksum;
    }
    return ImageFault::None;
}

std::string_view ImageMark(MemoryKind kind) {
    return kind == MemoryKind::Host ? std::string_view("0x55AA") : MemoryKindOf(kind).mark;
}

std::size_t ImageVersionOffset(MemoryKind kind) {
    return MemoryKindOf(kind).nVersionOffset;
}

std::string ImageVersionText(MemoryKind kind, std::span<const BYTE> image) {
    const std::size_t nAt = MemoryKindOf(kind).nVersionOffset;
    if (image.size() < nAt + 2) {
        return {};
    }
    return HexText(static_cast<unsigned>(image[nAt] | image[nAt + 1] << 8), 4);
}

std::string ImageBuildDate(MemoryKind kind, std::span<const BYTE> image) {
    switch (kind) {
        case MemoryKind::Flash:
            return BridgeBuildDate(image);
        case MemoryKind::Ui:
        case MemoryKind::Resource: {
            // The packed date follows the version word.
            const std::size_t nAt = MemoryKindOf(kind).nVersionOffset + 2;
            if (image.size() < nAt + 2) {
                return {};
            }
            const unsigned nDate = image[nAt] | image[nAt + 1] << 8;
            return DateText((nDate >> 9) + 1980, (nDate >> 5) & 0x0F, nDate & 0x1F);
        }
        case MemoryKind::Host:
        case MemoryKind::Cpu:
            return {};
    }
    return {};
}

}  // namespace rf
