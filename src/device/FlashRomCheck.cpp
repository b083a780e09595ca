#include "device/FlashRomCheck.h"

#include <algorithm>
#include <limits>

#include "base/Clock.h"
#include "device/FlashChips.h"
#include "device/ScsiDevice.h"
#include "framework/StringTable.h"

namespace rf {

namespace {

// Reads timed to learn what a command costs on this link at best.
constexpr int kTimedReads = 4;

bool IsPageWriteChip(const CScsiDevice& device) {
    return device.m_bRomMode && device.m_pFlashChip != nullptr &&
           device.m_pFlashChip->nAlgorithm == FLASH_PAGE_WRITE;
}

// The shortest round trip of a one-byte FLASH read, in microseconds; the
// largest value when a read failed.
std::uint64_t FastestCommandMicroseconds(CScsiDevice& device) {
    std::uint64_t nFastest = std::numeric_limits<std::uint64_t>::max();
    for (int i = 0; i < kTimedReads; ++i) {
        BYTE nByte = 0;
        const std::uint64_t nStart = CurrentClock().NowMicroseconds();
        if (!device.ReadFlash(0, &nByte, 1, nullptr)) {
            return std::numeric_limits<std::uint64_t>::max();
        }
        nFastest = std::min(nFastest, CurrentClock().NowMicroseconds() - nStart);
    }
    return nFastest;
}

}  // namespace

bool IsToleratedFlashOffset(DWORD dwOffset) {
    return dwOffset >= 0xD0 && dwOffset <= 0xD2;
}

UINT FlashRomRefusal(const CScsiDevice& device, UINT nSize) {
    if (!device.m_bRomMode || device.m_pFlashChip == nullptr) {
        return 0;
    }
    if (nSize > device.m_pFlashChip->dwSize) {
        return IDS_ERR_FLASH_IMAGE_TOO_LARGE;
    }
    if (IsPageWriteChip(device) && device.IsFullSpeedUsb()) {
        return IDS_ERR_FLASH_LINK_TOO_SLOW;
    }
    return 0;
}

UINT CheckFlashRomWrite(CScsiDevice& device, UINT nSize) {
    if (const UINT nRefusal = FlashRomRefusal(device, nSize); nRefusal != 0) {
        return nRefusal;
    }
    if (IsPageWriteChip(device) &&
        FastestCommandMicroseconds(device) > device.m_pFlashChip->nByteLoadMicroseconds) {
        return IDS_ERR_FLASH_LINK_TOO_SLOW;
    }
    return 0;
}

}  // namespace rf
