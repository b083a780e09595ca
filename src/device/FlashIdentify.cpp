#include "base/Clock.h"
#include "device/BridgeCommands.h"
#include "device/FlashChips.h"
#include "device/FlashSequences.h"
#include "device/ScsiDevice.h"

namespace rf {

namespace {

constexpr DWORD kIdModeSettleMilliseconds = 20;
constexpr BYTE kContinuationCode = 0x7F;
constexpr DWORD kContinuedCodesOffset = 0x100;

}  // namespace

bool SendFlashCycles(CDevice& device, std::span<const FlashCycle> cycles) {
    for (const FlashCycle& cycle : cycles) {
        if (!device.WriteFlash(cycle.dwOffset, &cycle.nValue, 1, nullptr)) {
            return false;
        }
    }
    return true;
}

WORD CScsiDevice::IdentifyFlashChip() {
    ForgetFlashChip();

    if (!SendFlashCycles(*this, kEnterIdMode)) {
        return 0xFFFF;
    }
    Sleep(kIdModeSettleMilliseconds);
    BYTE nManufacturer = 0;
    BYTE nDevice = 0;
    if (!ReadFlash(0, &nManufacturer, 1, nullptr) || !ReadFlash(1, &nDevice, 1, nullptr)) {
        return 0xFFFF;
    }
    // A maker in a later JEDEC bank answers the continuation code first.
    if (nManufacturer == kContinuationCode &&
        (!ReadFlash(kContinuedCodesOffset, &nManufacturer, 1, nullptr) ||
         !ReadFlash(kContinuedCodesOffset + 1, &nDevice, 1, nullptr))) {
        return 0xFFFF;
    }
    if (!SendFlashCycles(*this, kLeaveIdMode)) {
        return 0xFFFF;
    }
    Sleep(kIdModeSettleMilliseconds);

    m_wFlashId = static_cast<WORD>(nManufacturer | nDevice << 8);
    m_pFlashChip = FindFlashChip(m_wFlashId);
    return m_wFlashId;
}

}  // namespace rf
