#pragma once

// The SPI flash behind the UI controller, which holds the UI resource data:
// identification, erase, page programming, read-back, and the resource magic
// written last.

#include <cstdint>
#include <span>

#include "base/Types.h"

namespace rf {

class CDevice;
class IProgress;
class CScsiDevice;

// Every chip of the table is one the programming operations support.
struct SpiFlashChipInfo {
    WORD wId;  // manufacturer code | device code << 8
    const char16_t* pszName;
    DWORD dwSize;  // bytes
    // Data-sheet maxima, rounded up: a page program, a chip erase.
    std::uint32_t nPageProgramMicroseconds;
    std::uint32_t nChipEraseMilliseconds;
};

std::span<const SpiFlashChipInfo> SpiFlashChips();
const SpiFlashChipInfo* FindSpiFlashChip(WORD wId);

// The chip's code when it is in the table, else 0xFFFF.
WORD IdentifySpiFlash(CScsiDevice* pDevice);
bool ReadSpiStatus(CScsiDevice* pDevice, BYTE* pStatus);
bool ProgramSpiPage(CScsiDevice* pDevice, DWORD dwAddress, const BYTE* pPage);
bool WriteSpiFlash(CScsiDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize);
bool VerifySpiFlash(CScsiDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize);
bool WriteResourceMagic(CScsiDevice* pDevice);
bool ReadResourceHeaderSpi(CScsiDevice* pDevice, BYTE* pOut);

}  // namespace rf
