#include "firmware/ImageKinds.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "firmware/FirmwareImages.h"

namespace rf {

namespace {

struct FormatFacts {
    std::size_t nMarkOffset;
    std::string_view mark;
    std::size_t nVersionOffset;  // little-endian word
};

constexpr std::array kKinds = std::to_array<MemoryKindInfo>({
    {MemoryKind::Host, "host", "seeprom-host.bin", IDR_SEEPROM_HOST, 0x2000, 0x2000},
    {MemoryKind::Flash, "flash", "bridge.bin", IDR_BRIDGE_FIRMWARE, 0x20000, 0x20000},
    {MemoryKind::Resource, "resource", "ui-resource.bin", IDR_UI_RESOURCE, 0x100000, 0x100000},
    {MemoryKind::Ui, "ui", "ui-firmware.bin", IDR_UI_FIRMWARE, 0x10000, 0xF000},
});

constexpr std::size_t kSeepromHeaderLength = 128;
constexpr std::size_t kBridgeVersionString = 0x240;
constexpr std::size_t kBridgeVersionLength = 128;

std::string DateText(unsigned nYear, unsigned nMonth, unsigned nDay) {
    if (nYear < 1980 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31) {
        return {};
    }
    char acText[16];
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

FormatFacts Facts(MemoryKind kind) {
    switch (kind) {
        case MemoryKind::Flash:
            return {0xF0, "VIRA    ", 0xE0};
        case MemoryKind::Host:
            return {0x00, "\xAA\x55", 0x1E};
        case MemoryKind::Ui:
            return {0x90, "QV_UI78K", 0x98};
        case MemoryKind::Resource:
            return {0x00, "RESOURCE", 0x08};
    }
    return {0, "", 0};
}

bool SeepromHeaderSumsToZero(std::span<const BYTE> image) {
    unsigned nSum = 0;
    for (std::size_t i = 0; i < kSeepromHeaderLength; i += 2) {
        nSum += static_cast<unsigned>(image[i] | image[i + 1] << 8);
    }
    return (nSum & 0xFFFF) == 0;
}

}  // namespace

std::span<const MemoryKindInfo> MemoryKinds() {
    return kKinds;
}

const MemoryKindInfo& MemoryKindOf(MemoryKind kind) {
    for (const MemoryKindInfo& info : kKinds) {
        if (info.kind == kind) {
            return info;
        }
    }
    return kKinds.front();  // not reached: every kind has its row
}

const MemoryKindInfo* FindMemoryKind(std::string_view key) {
    for (const MemoryKindInfo& info : kKinds) {
        if (key == info.pszKey) {
            return &info;
        }
    }
    return nullptr;
}

ImageFault CheckImage(MemoryKind kind, std::span<const BYTE> image) {
    const FormatFacts facts = Facts(kind);
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
    return kind == MemoryKind::Host ? std::string_view("0x55AA") : Facts(kind).mark;
}

std::size_t ImageVersionOffset(MemoryKind kind) {
    return Facts(kind).nVersionOffset;
}

std::string ImageVersionText(MemoryKind kind, std::span<const BYTE> image) {
    const std::size_t nAt = Facts(kind).nVersionOffset;
    if (image.size() < nAt + 2) {
        return {};
    }
    char acText[8];
    std::snprintf(acText, sizeof acText, "%02X%02X", image[nAt + 1], image[nAt]);
    return acText;
}

std::string ImageBuildDate(MemoryKind kind, std::span<const BYTE> image) {
    switch (kind) {
        case MemoryKind::Flash:
            return BridgeBuildDate(image);
        case MemoryKind::Ui:
        case MemoryKind::Resource: {
            // The packed date follows the version word.
            const std::size_t nAt = Facts(kind).nVersionOffset + 2;
            if (image.size() < nAt + 2) {
                return {};
            }
            const unsigned nDate = image[nAt] | image[nAt + 1] << 8;
            return DateText((nDate >> 9) + 1980, (nDate >> 5) & 0x0F, nDate & 0x1F);
        }
        case MemoryKind::Host:
            return {};
    }
    return {};
}

}  // namespace rf
