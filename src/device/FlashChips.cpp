#include "device/FlashChips.h"

#include <array>

namespace rf {

namespace {

constexpr DWORD kKiB = 1024;

// Searched in this order; the first row whose code matches wins. The times
// are the data sheets' maxima over temperature and voltage, rounded up
// (where a sheet gives only a typical chip-erase time, ten times it).
// clang-format off
constexpr std::array g_flashChips = std::to_array<FlashChipInfo>({
    // id, algorithm, name, size, sector, page, byte program us, sector erase ms,
    // chip erase ms, page write ms, byte load us
    {0x6E01, FLASH_CHIP_ERASE, u"AMD AM29LV010B", 128 * kKiB, 16 * kKiB, 0, 300, 15'000, 30'000, 0, 0},
    {0x4F01, FLASH_CHIP_ERASE, u"AMD AM29LV040B", 512 * kKiB, 64 * kKiB, 0, 300, 15'000, 60'000, 0, 0},
    {0x6F1C, FLASH_CHIP_ERASE, u"EON EN29LV512", 64 * kKiB, 16 * kKiB, 0, 300, 10'000, 20'000, 0, 0},
    {0x6E1C, FLASH_CHIP_ERASE, u"EON EN29LV010", 128 * kKiB, 16 * kKiB, 0, 300, 10'000, 30'000, 0, 0},
    {0x4F1C, FLASH_CHIP_ERASE, u"EON EN29LV040A", 512 * kKiB, 64 * kKiB, 0, 300, 10'000, 60'000, 0, 0},
    {0xD51C, FLASH_CHIP_ERASE, u"EON EN39LV010", 128 * kKiB, 4 * kKiB, 0, 100, 200, 10'000, 0, 0},
    {0x351F, FLASH_PAGE_WRITE, u"ATMEL AT29LV010", 128 * kKiB, 0, 128, 0, 0, 0, 20, 150},
    {0xBA1F, FLASH_PAGE_WRITE, u"ATMEL AT29LV020", 256 * kKiB, 0, 128, 0, 0, 0, 20, 150},
    {0xC41F, FLASH_PAGE_WRITE, u"ATMEL AT29LV040A", 512 * kKiB, 0, 128, 0, 0, 0, 20, 150},
    {0x2320, FLASH_CHIP_ERASE, u"ST M29W010", 128 * kKiB, 16 * kKiB, 0, 200, 8'000, 30'000, 0, 0},
    {0xE320, FLASH_CHIP_ERASE, u"ST M29W040", 512 * kKiB, 64 * kKiB, 0, 200, 8'000, 60'000, 0, 0},
    {0xD4BF, FLASH_SECTOR_ERASE, u"SST SST39VF512", 64 * kKiB, 4 * kKiB, 0, 20, 25, 100, 0, 0},
    {0xD5BF, FLASH_SECTOR_ERASE, u"SST SST39VF010", 128 * kKiB, 4 * kKiB, 0, 20, 25, 100, 0, 0},
    {0xD6BF, FLASH_SECTOR_ERASE, u"SST SST39VF020", 256 * kKiB, 4 * kKiB, 0, 20, 25, 100, 0, 0},
    {0xD7BF, FLASH_SECTOR_ERASE, u"SST SST39VF040", 512 * kKiB, 4 * kKiB, 0, 20, 25, 100, 0, 0},
    {0x31DA, FLASH_CHIP_ERASE, u"WINBOND W39L010", 128 * kKiB, 8 * kKiB, 0, 100, 200, 10'000, 0, 0},
});
// clang-format on

}  // namespace

std::span<const FlashChipInfo> FlashChips() {
    return g_flashChips;
}

const FlashChipInfo* FindFlashChip(WORD wId) {
    for (const FlashChipInfo& chip : g_flashChips) {
        if (chip.wId == wId) {
            return &chip;
        }
    }
    return nullptr;
}

}  // namespace rf
