#pragma once

// The parallel FLASH chips the bridge can carry, with the algorithm each is
// programmed with on a bridge that runs without firmware.

#include <span>

#include "app/Types.h"

namespace rf {

inline constexpr int FLASH_PAGE_WRITE = 1;    // 128-byte pages written whole
inline constexpr int FLASH_CHIP_ERASE = 2;    // whole-chip erase, byte programming
inline constexpr int FLASH_SECTOR_ERASE = 4;  // 4 KiB sectors, byte programming

struct FlashChipInfo {
    WORD wId;  // manufacturer code | device code << 8
    int nAlgorithm;
    const char16_t* pszName;
};

std::span<const FlashChipInfo> FlashChips();

// The first row with this code, or null.
const FlashChipInfo* FindFlashChip(WORD wId);

}  // namespace rf
