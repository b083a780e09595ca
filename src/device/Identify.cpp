#include <algorithm>
#include <array>
#include <cstring>

#include "base/Text.h"
#include "device/BridgeCommands.h"
#include "device/EmulatedEnclosureMark.h"
#include "device/ProductTable.h"
#include "device/ScsiDevice.h"

namespace rf {

namespace {

constexpr std::size_t kVendorOffset = 8;
constexpr std::size_t kVendorLength = 8;
constexpr std::size_t kProductOffset = 16;
constexpr std::size_t kProductLength = 16;
constexpr std::size_t kRevisionOffset = 32;
constexpr std::size_t kRevisionLength = 4;
// The revision a bridge reports while its FLASH-ROM holds no firmware.
constexpr char kRomModeRevision[] = "FFFF";

// Bytes as characters, ending at the first zero byte, trimmed.
std::u16string InquiryText(const BYTE* pBytes, std::size_t nLength) {
    const BYTE* pEnd = std::find(pBytes, pBytes + nLength, BYTE{0});
    return Trim(WidenBytes(pBytes, static_cast<std::size_t>(pEnd - pBytes)));
}

}  // namespace

bool CScsiDevice::Identify() {
    m_nProductClass = 0;
    m_bEmulatedEnclosure = false;
    GetScsiAddress();

    StorageAdapterDescriptor adapter;
    if (!QueryStorageProperty(adapter)) {
        return false;
    }
    StorageDeviceDescriptor device;
    if (!QueryStorageProperty(device)) {
        return false;
    }
    m_nBusType = device.BusType;
    m_strBusName = FormatBusName(m_nBusType, adapter.BusMajorVersion, adapter.BusMinorVersion);
    if (m_nBusType == BusTypeAtapi || m_nBusType == BusTypeAta) {
        return false;  // never a bridge of ours
    }

    std::array<BYTE, 2048> buffer{};
    if (!Inquiry(buffer.data())) {
        return false;
    }
    if (MatchSupportedProduct(buffer.data()) == 0) {
        return false;
    }

    std::array<BYTE, kVendorLength + 1 + kProductLength> name{};
    std::copy_n(buffer.begin() + kVendorOffset, kVendorLength, name.begin());
    name[kVendorLength] = ' ';
    std::copy_n(buffer.begin() + kProductOffset, kProductLength, name.begin() + kVendorLength + 1);
    m_strProductName = InquiryText(name.data(), name.size());
    m_strRevision = InquiryText(buffer.data() + kRevisionOffset, kRevisionLength);
    m_bEmulatedEnclosure = HasEmulatedMark(buffer.data(), kInquiryLength);

    if (std::memcmp(buffer.data() + kRevisionOffset, kRomModeRevision, kRevisionLength) == 0) {
        IdentifyFlashChip();
        m_bRomMode = true;
    }
    return true;
}

bool CScsiDevice::Inquiry(BYTE* pOut) {
    return ScsiPassThrough(kInquiryBlock.data(), static_cast<BYTE>(kInquiryBlock.size()), true,
                           pOut, kInquiryLength);
}

bool HasEmulatedMark(const unsigned char* pInquiry, std::size_t nLength) {
    constexpr std::size_t kAdditionalLengthOffset = 4;
    constexpr std::size_t kHeaderLength = 5;
    const std::size_t nEnd = kEmulatedMarkOffset + kEmulatedMark.size();
    return nLength >= nEnd && pInquiry[kAdditionalLengthOffset] + kHeaderLength >= nEnd &&
           std::memcmp(pInquiry + kEmulatedMarkOffset, kEmulatedMark.data(),
                       kEmulatedMark.size()) == 0;
}

int CScsiDevice::MatchSupportedProduct(const BYTE* pInquiry) {
    const int nClass = ProductClassOf(pInquiry + kVendorOffset, m_bAllProducts);
    if (nClass != 0) {
        m_nProductClass = nClass;
    }
    return nClass;
}

}  // namespace rf
