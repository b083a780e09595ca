#pragma once

// The parallel FLASH chips the bridge can carry: the algorithm each is
// programmed with on a bridge that runs without firmware, its geometry, and
// the worst-case times its data sheet gives, from which the waits of the
// programming take their limits.

#include <cstdint>
#include <span>

#include "base/Types.h"

namespace rf {

enum FlashAlgorithm : int {
    FLASH_PAGE_WRITE = 1,    // 128-byte pages written whole
    FLASH_CHIP_ERASE = 2,    // whole-chip erase, byte programming
    FLASH_SECTOR_ERASE = 4,  // 4 KiB sectors, byte programming
};

struct FlashChipInfo {
    WORD wId;  // manufacturer code | device code << 8
    FlashAlgorithm nAlgorithm;
    const char16_t* pszName;
    DWORD dwSize;        // bytes
    DWORD dwSectorSize;  // unit of the sector erase; 0 for the page-write parts
    DWORD dwPageSize;    // bytes a page write takes; 0 for the byte-programming parts
    // Data-sheet maxima, rounded up.
    std::uint32_t nByteProgramMicroseconds;
    std::uint32_t nSectorEraseMilliseconds;
    std::uint32_t nChipEraseMilliseconds;
    std::uint32_t nPageWriteMilliseconds;
    // Page-write parts: the longest pause between two bytes of one page load;
    // a longer pause ends the load and starts the write.
    std::uint32_t nByteLoadMicroseconds;
};

std::span<const FlashChipInfo> FlashChips();

// The first row with this code, or null.
const FlashChipInfo* FindFlashChip(WORD wId);

}  // namespace rf
