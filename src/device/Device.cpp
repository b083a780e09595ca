#include "device/Device.h"

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

void CDevice::ResetChipBookkeeping() {
    m_dwFlashBase = 0;
    m_wFlashId = 0xFFFF;
    m_bRomMode = false;
    m_pFlashChip = nullptr;
    m_wSpiFlashId = 0xFFFF;
    m_pSpiFlashChip = nullptr;
}

}  // namespace rf
