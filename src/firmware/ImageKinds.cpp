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

}  // namespace rf
