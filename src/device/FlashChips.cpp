#include "device/FlashChips.h"

#include <array>

namespace rf {

namespace {

// Searched in this order; the first row whose code matches wins.
constexpr std::array g_flashChips = std::to_array<FlashChipInfo>({
    {0x6E01, FLASH_CHIP_ERASE, u"AMD AM29LV010B"},
    {0x4F01, FLASH_CHIP_ERASE, u"AMD AM29LV040B"},
    {0x6F1C, FLASH_CHIP_ERASE, u"EON EN29LV512"},
    {0x6E1C, FLASH_CHIP_ERASE, u"EON EN29LV010"},
    {0x4F1C, FLASH_CHIP_ERASE, u"EON EN29LV040A"},
    {0xD51C, FLASH_CHIP_ERASE, u"EON EN39LV010"},
    {0x351F, FLASH_PAGE_WRITE, u"ATMEL AT29LV010"},
    {0xBA1F, FLASH_PAGE_WRITE, u"ATMEL AT29LV020"},
    {0xC41F, FLASH_PAGE_WRITE, u"ATMEL AT29LV040A"},
    {0x2320, FLASH_CHIP_ERASE, u"ST M29W010"},
    {0xE320, FLASH_CHIP_ERASE, u"ST M29W040"},
    {0xD4BF, FLASH_SECTOR_ERASE, u"SST SST39VF512"},
    {0xD5BF, FLASH_SECTOR_ERASE, u"SST SST39VF010"},
    {0xD6BF, FLASH_SECTOR_ERASE, u"SST SST39VF020"},
    {0xD7BF, FLASH_SECTOR_ERASE, u"SST SST39VF040"},
    {0x31DA, FLASH_CHIP_ERASE, u"WINBOND W39L010"},
});

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
