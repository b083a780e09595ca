#include "firmware/MemoryTable.h"

#include "firmware/FirmwareImages.h"
#include "text/StringTable.h"

namespace rf {

namespace {

using namespace std::string_view_literals;

constexpr std::array<MemoryKindInfo, kMemoryCount> kMemories = {{
    {MemoryKind::Flash, "flash", IDS_CLI_MEMORY_FLASH, "bridge.bin", "flash-rom.bin", 1,
     IDR_BRIDGE_FIRMWARE, 0x20000, 0x20000, 0x20000, 0xF0, "VIRA    "sv, 0xE0, false},
    {MemoryKind::Host, "host", IDS_CLI_MEMORY_HOST, "seeprom-host.bin", "seeprom-host.bin", 0,
     IDR_SEEPROM_HOST, 0x2000, 0x2000, 0x2000, 0x00, "\xAA\x55"sv, 0x1E, false},
    {MemoryKind::Cpu, "cpu", IDS_CLI_MEMORY_CPU, nullptr, "seeprom-cpu.bin", -1, 0, 0, 0, 0x800,
     0x00, ""sv, 0x00, false},
    // The UI controller's flash is read by no command: a backup keeps only
    // its information block.
    {MemoryKind::Ui, "ui", IDS_CLI_MEMORY_UI, "ui-firmware.bin", nullptr, 3, IDR_UI_FIRMWARE,
     0x10000, 0xF000, 0, 0x90, "QV_UI78K"sv, 0x98, true},
    {MemoryKind::Resource, "resource", IDS_CLI_MEMORY_RESOURCE, "ui-resource.bin", "spi-flash.bin",
     2, IDR_UI_RESOURCE, 0x100000, 0x100000, 0, 0x00, "RESOURCE"sv, 0x08, true},
}};

constexpr bool RowsFollowTheirKinds() {
    for (std::size_t i = 0; i < kMemories.size(); ++i) {
        if (static_cast<std::size_t>(kMemories[i].kind) != i) {
            return false;
        }
    }
    return true;
}
static_assert(RowsFollowTheirKinds(), "a memory's row is its kind's value");

// Each memory with an image has its own turn, and only those have one.
constexpr bool WriteTurnsAreWhole() {
    std::size_t nTurns = 0;
    for (const MemoryKindInfo& info : kMemories) {
        if ((info.pszFileName != nullptr) != (info.nWriteOrder >= 0)) {
            return false;
        }
        for (const MemoryKindInfo& other : kMemories) {
            if (&other != &info && info.nWriteOrder >= 0 && other.nWriteOrder == info.nWriteOrder) {
                return false;
            }
        }
        nTurns += info.nWriteOrder >= 0 && info.nWriteOrder < static_cast<int>(kImageMemoryCount);
    }
    return nTurns == kImageMemoryCount;
}
static_assert(WriteTurnsAreWhole(), "every image has one turn in an update");

constexpr std::array<const MemoryKindInfo*, kImageMemoryCount> kWriteOrder = [] {
    std::array<const MemoryKindInfo*, kImageMemoryCount> order{};
    for (const MemoryKindInfo& info : kMemories) {
        if (info.nWriteOrder >= 0) {
            order[static_cast<std::size_t>(info.nWriteOrder)] = &info;
        }
    }
    return order;
}();

}  // namespace

std::span<const MemoryKindInfo, kMemoryCount> Memories() {
    return kMemories;
}

const MemoryKindInfo& MemoryKindOf(MemoryKind kind) {
    return kMemories[static_cast<std::size_t>(kind)];
}

ImageMemoryRange MemoryKinds() {
    return ImageMemoryRange(kWriteOrder);
}

const MemoryKindInfo* FindMemoryKind(std::string_view key) {
    for (const MemoryKindInfo& info : MemoryKinds()) {
        if (key == info.pszKey) {
            return &info;
        }
    }
    return nullptr;
}

}  // namespace rf
