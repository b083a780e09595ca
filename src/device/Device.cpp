#include "device/Device.h"

#include "device/BridgeCommands.h"

namespace rf {

bool CDevice::Open(const char16_t* pszPath) {
    Close();
    ResetChipBookkeeping();
    return CDeviceBase::Open(pszPath);
}

bool CDevice::OnWriteFailed(int /*nCode*/) {
    return true;
}

bool CDevice::Reserved() {
    return true;
}

UINT CDevice::GetMaxUiPacketLength() {
    return 256;
}

void CDevice::UseFlashWindow() {
    m_dwFlashBase = kFlashWindowBase;
}

void CDevice::ForgetFlashChip() {
    UseFlashWindow();
    m_wFlashId = 0xFFFF;
    m_bRomMode = false;
    m_pFlashChip = nullptr;
}

void CDevice::ResetChipBookkeeping() {
    ForgetFlashChip();
    // A device just opened has not looked at its FLASH yet: addresses are
    // the bridge's own until the chip or its firmware is asked.
    m_dwFlashBase = 0;
    m_wSpiFlashId = 0xFFFF;
    m_pSpiFlashChip = nullptr;
}

}  // namespace rf
