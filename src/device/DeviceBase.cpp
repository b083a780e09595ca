#include "device/DeviceBase.h"

namespace rf {

bool CDeviceBase::Open(const char16_t* pszPath) {
    if (m_hDevice == nullptr && pszPath != nullptr) {
        m_hDevice = m_system.Open(pszPath);
    }
    return m_hDevice != nullptr;
}

bool CDeviceBase::GetDeviceNumber(StorageDeviceNumber* pNumber) {
    *pNumber = StorageDeviceNumber{};
    bool bOk = false;
    {
        std::lock_guard lock(m_lock);
        bOk = m_hDevice != nullptr && m_hDevice->GetDeviceNumber(*pNumber);
    }
    if (!bOk) {
        pNumber->DeviceType = -1;
    }
    return bOk;
}

}  // namespace rf
