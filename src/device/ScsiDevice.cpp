#include "device/ScsiDevice.h"

#include <algorithm>
#include <cstring>

#include "base/Clock.h"
#include "device/PageBuffer.h"

namespace rf {

namespace {

constexpr int kRetries = 5;  // six attempts in all
constexpr DWORD kRetryPauseMilliseconds = 10;
constexpr UINT kBufferedTimeoutSeconds = 10;
constexpr UINT kDirectTimeoutSeconds = 30;
constexpr BYTE kImageProgramOpcode = 0xFE;
constexpr BYTE kStatusMask = 0x1E;

}  // namespace

ScsiRequestForm PassThroughForm(UINT nLength) {
    return nLength >= kDirectTransferThreshold ? ScsiRequestForm::Direct
                                               : ScsiRequestForm::Buffered;
}

UINT PassThroughTimeoutSeconds(BYTE nOpcode, UINT nLength) {
    if (PassThroughForm(nLength) == ScsiRequestForm::Direct) {
        return kDirectTimeoutSeconds;
    }
    return nOpcode == kImageProgramOpcode ? kLongestTimeoutSeconds : kBufferedTimeoutSeconds;
}

bool CScsiDevice::Open(const char16_t* pszPath) {
    return CDevice::Open(pszPath) && Identify();
}

bool CScsiDevice::ScsiPassThrough(const BYTE* pCdb, BYTE nCdbLength, bool bDataIn, BYTE* pData,
                                  UINT nLength) {
    m_bScsiStatus = 0xFF;
    m_nLastReceived = 0;
    if (pCdb == nullptr || nCdbLength == 0 || nCdbLength > 16 || nLength > kMaxTransferLength) {
        return false;
    }
    const bool bHasData = pData != nullptr && nLength != 0;
    const bool bDirect = PassThroughForm(nLength) == ScsiRequestForm::Direct;

    // Buffered transfers travel in a fixed area; direct ones in one
    // page-aligned buffer that every attempt reuses.
    std::array<BYTE, kDirectTransferThreshold> area;
    CPageBuffer pageBuffer;
    if (bDirect && !pageBuffer.Allocate(nLength)) {
        return false;
    }
    BYTE* pBuffer = bDirect ? pageBuffer.Data() : area.data();

    ScsiRequest request;
    for (int nRetriesLeft = kRetries;; --nRetriesLeft) {
        request = ScsiRequest{};
        std::copy_n(pCdb, nCdbLength, request.Cdb.begin());
        request.CdbLength = nCdbLength;
        request.DataIn = bDataIn ? 1 : 0;
        request.PathId = m_bPathId;
        request.TargetId = m_bTargetId;
        request.Lun = m_bLun;
        request.Form = PassThroughForm(nLength);
        request.TimeOutValue = PassThroughTimeoutSeconds(pCdb[0], nLength);
        request.DataBuffer = nLength != 0 ? pBuffer : nullptr;
        request.DataTransferLength = nLength;
        // Only the bytes this request uses are cleared: what the device does
        // not fill must not carry data of an earlier attempt.
        if (nLength != 0) {
            std::memset(pBuffer, 0, nLength);
        }
        if (!bDataIn && bHasData) {
            std::memcpy(pBuffer, pData, nLength);
        }

        bool bDelivered = false;
        {
            std::lock_guard lock(m_lock);
            bDelivered = m_hDevice != nullptr && m_hDevice->SendScsi(request);
        }
        if (bDelivered) {
            break;
        }
        if (nRetriesLeft == 0) {
            return false;
        }
        Sleep(kRetryPauseMilliseconds);
    }

    m_bScsiStatus = request.ScsiStatus & kStatusMask;
    const std::size_t nSense = std::min<std::size_t>(request.SenseInfoLength, m_abSense.size());
    std::copy_n(request.Sense.begin(), nSense, m_abSense.begin());
    if (m_bScsiStatus != 0) {
        return true;
    }
    if (bDataIn && bHasData) {
        // Never more than the caller's buffer, whatever the driver reports.
        const UINT nReturned = std::min(request.DataTransferLength, nLength);
        std::memcpy(pData, pBuffer, nReturned);
        m_nLastReceived = nReturned;
    }
    return true;
}

bool CScsiDevice::QueryStorageProperty(StorageAdapterDescriptor& descriptor) {
    std::lock_guard lock(m_lock);
    return m_hDevice != nullptr && m_hDevice->QueryAdapter(descriptor);
}

bool CScsiDevice::QueryStorageProperty(StorageDeviceDescriptor& descriptor) {
    std::lock_guard lock(m_lock);
    return m_hDevice != nullptr && m_hDevice->QueryDevice(descriptor);
}

bool CScsiDevice::GetScsiAddress() {
    m_bPathId = 0;
    m_bTargetId = 0;
    m_bLun = 0;
    ScsiAddress address;
    bool bOk = false;
    {
        std::lock_guard lock(m_lock);
        bOk = m_hDevice != nullptr && m_hDevice->GetScsiAddress(address);
    }
    if (bOk) {
        m_bPathId = address.PathId;
        m_bTargetId = address.TargetId;
        m_bLun = address.Lun;
    }
    return bOk;
}

}  // namespace rf
