#include "images/RomSeeprom.h"

#include <algorithm>

#include "base/Text.h"
#include "device/Device.h"
#include "firmware/FirmwareImages.h"
#include "text/StringTable.h"

namespace rf {

namespace {

constexpr UINT kHostBufferSize = 0x2000;
constexpr WORD kMagic = 0x55AA;
constexpr UINT kChecksumOffset = 0x02;
constexpr UINT kVersionOffset = 0x1E;

WORD HeaderSum(const BYTE* pHeader) {
    unsigned nSum = 0;
    for (UINT i = 0; i < kSeepromHeaderSize; i += 2) {
        nSum += LittleEndianWord(pHeader + i);
    }
    return static_cast<WORD>(nSum);
}

// Both kinds compare the same way: a device version that was read, below
// the held image's.
bool IsSeepromImageNewer(WORD wDeviceVersion, bool bLoaded, WORD wImageVersion) {
    return wDeviceVersion != 0xFFFF && bLoaded && wDeviceVersion < wImageVersion;
}

}  // namespace

bool IsValidSeepromHeader(const BYTE* pHeader) {
    return LittleEndianWord(pHeader) == kMagic && HeaderSum(pHeader) == 0;
}

void ComputeSeepromChecksum(BYTE* pHeader) {
    pHeader[kChecksumOffset] = 0;
    pHeader[kChecksumOffset + 1] = 0;
    const auto wChecksum = static_cast<WORD>(0x10000 - HeaderSum(pHeader));
    pHeader[kChecksumOffset] = static_cast<BYTE>(wChecksum);
    pHeader[kChecksumOffset + 1] = static_cast<BYTE>(wChecksum >> 8);
}

CRom_Host::CRom_Host() : CRomObject(IDR_SEEPROM_HOST, kHostBufferSize) {}

std::u16string SeepromSerialText(const BYTE* pHeader) {
    return PrintableText(pHeader + kSeepromSerialOffset, kSeepromSerialLength, false);
}

void CRom_Host::UpdateRomVersion() {
    // The checksum is not required of the image: the update writes the
    // header as it is.
    m_strRomVersion = DataWord(0) == kMagic ? Hex(DataWord(kVersionOffset), 4)
                                            : LoadResString(IDS_ERR_INVALID_ROM);
}

void CRom_Host::ReadDeviceVersion(CDevice* pDevice, IProgress*) {
    m_wDeviceVersion = 0xFFFF;
    std::array<BYTE, kSeepromHeaderSize> header{};
    if (pDevice == nullptr ||
        !pDevice->ReadHostEeprom(0, header.data(), kSeepromHeaderSize, nullptr)) {
        return;
    }
    if (IsValidSeepromHeader(header.data())) {
        m_wDeviceVersion = LittleEndianWord(header.data() + kVersionOffset);
        m_strDeviceVersion = Hex(m_wDeviceVersion, 4);
    } else {
        m_wDeviceVersion = 0;
        m_strDeviceVersion = LoadResString(IDS_ERR_INVALID_ROM);
    }
}

bool CRom_Host::NeedsUpdate(std::u16string& strTitle) {
    strTitle = m_bVendorMode ? u"SEEPROM(Host) Version" : LoadResString(IDS_FIRMWARE2_VERSION);
    return IsSeepromImageNewer(m_wDeviceVersion, IsLoaded(), DataWord(kVersionOffset));
}

void CRom_Cpu::UpdateRomVersion() {
    m_strRomVersion = IsValidSeepromHeader(m_pData.get()) ? Hex(DataWord(kVersionOffset), 4)
                                                          : LoadResString(IDS_ERR_INVALID_ROM);
}

void CRom_Cpu::ReadDeviceVersion(CDevice* pDevice, IProgress*) {
    m_wDeviceVersion = 0xFFFF;
    if (pDevice != nullptr && pDevice->m_bRomMode) {
        // The boot code does not reach this EEPROM.
        m_strDeviceVersion = LoadResString(IDS_UNREADABLE);
        return;
    }
    std::array<BYTE, kSeepromHeaderSize> header{};
    m_strDeviceVersion = LoadResString(IDS_ERR_INVALID_ROM);
    m_strSerialNo.clear();
    if (pDevice == nullptr ||
        !pDevice->ReadCpuEeprom(0, header.data(), kSeepromHeaderSize, nullptr)) {
        return;
    }
    if (!IsValidSeepromHeader(header.data())) {
        m_wDeviceVersion = 0;
        return;
    }
    m_wDeviceVersion = LittleEndianWord(header.data() + kVersionOffset);
    m_strDeviceVersion = Hex(m_wDeviceVersion, 4);
    m_strSerialNo = SeepromSerialText(header.data());
    std::copy_n(header.begin() + kSeepromSerialOffset, kSeepromSerialLength, m_abSerialNo.begin());
    if (IsLoaded()) {
        // An image for this memory would carry the unit's own serial number.
        std::copy_n(m_abSerialNo.begin(), kSeepromSerialLength,
                    m_pData.get() + kSeepromSerialOffset);
        ComputeSeepromChecksum(m_pData.get());
    }
}

bool CRom_Cpu::NeedsUpdate(std::u16string& strTitle) {
    strTitle = u"SEEPROM(CPU) Version";
    return IsSeepromImageNewer(m_wDeviceVersion, IsLoaded(), DataWord(kVersionOffset));
}

}  // namespace rf
