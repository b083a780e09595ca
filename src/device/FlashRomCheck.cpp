#include "device/FlashRomCheck.h"

#include <algorithm>
#include <limits>

#include "base/Clock.h"
#include "device/FlashChips.h"
#include "device/ScsiDevice.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// Reads timed to learn what a command costs on this link.
constexpr int kTimedReads = 4;
// Every gap of every page load must fit in the part's byte-load window: the
// prefix's cycles, the prefix to the first 64-byte command, that command to
// the second; about 1,700 gaps for a 55 KB image. So the slowest of the
// timed reads counts, not the fastest, and it must leave a tenth of the
// window free: a page's command carries 63 bytes more than a timed read
// (about 2 us on high-speed USB, 5 us on S100 IEEE 1394), and four reads
// only sample the link that all those gaps then depend on. A refusal
// costs a retry on a faster host; a page load cut short costs an erased
// bridge.
constexpr std::uint64_t kByteLoadMarginDivisor = 10;

bool IsPageWriteChip(const CScsiDevice& device) {
    return device.m_bRomMode && device.m_pFlashChip != nullptr &&
           device.m_pFlashChip->nAlgorithm == FLASH_PAGE_WRITE;
}

// The longest round trip of a one-byte FLASH read, in microseconds; the
// largest value when a read failed.
std::uint64_t SlowestCommandMicroseconds(CScsiDevice& device) {
    std::uint64_t nSlowest = 0;
    for (int i = 0; i < kTimedReads; ++i) {
        BYTE nByte = 0;
        const std::uint64_t nStart = CurrentClock().NowMicroseconds();
        if (!device.ReadFlash(0, &nByte, 1, nullptr)) {
            return std::numeric_limits<std::uint64_t>::max();
        }
        nSlowest = std::max(nSlowest, CurrentClock().NowMicroseconds() - nStart);
    }
    return nSlowest;
}

bool FitsByteLoadWindow(std::uint64_t nCommand, std::uint64_t nWindow) {
    const std::uint64_t nMargin = nWindow / kByteLoadMarginDivisor;
    return nCommand <= nWindow - nMargin;
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
        !FitsByteLoadWindow(SlowestCommandMicroseconds(device),
                            device.m_pFlashChip->nByteLoadMicroseconds)) {
        return IDS_ERR_FLASH_LINK_TOO_SLOW;
    }
    return 0;
}

}  // namespace rf
