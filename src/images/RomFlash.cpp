#include "images/RomFlash.h"

#include <algorithm>
#include <cstring>

#include "base/Text.h"
#include "device/Device.h"
#include "device/FlashChips.h"
#include "device/FlashRomCheck.h"
#include "firmware/FirmwareImages.h"
#include "text/StringTable.h"

namespace rf {

namespace {

constexpr UINT kBufferSize = 0x20000;
constexpr UINT kBlockSize = 512;
constexpr UINT kVersionNumberOffset = 0x0E0;
constexpr UINT kTagOffset = 0x0F0;
constexpr UINT kVersionStringOffset = 0x240;
constexpr UINT kVersionStringLength = 128;
constexpr UINT kFirstBlockLength = 128;  // the smallest first block of the FLASH algorithms
constexpr char kTag[] = "VIRA    ";
constexpr std::size_t kTagLength = sizeof kTag - 1;

std::u16string VersionStringText(const BYTE* pString) {
    const BYTE* pEnd = std::find(pString, pString + kVersionStringLength, BYTE{0});
    return WidenBytes(pString, static_cast<std::size_t>(pEnd - pString));
}

}  // namespace

CRom_Flash::CRom_Flash() : CRomObject(IDR_BRIDGE_FIRMWARE, kBufferSize) {
    // The base loaded the carried image before this kind's rounding existed.
    if (IsLoaded()) {
        SetDataSize(m_nDataSize);
    }
}

void CRom_Flash::SetDataSize(UINT nSize) {
    // Sizes this close to the top of the range never fit a buffer; kept
    // from wrapping to a small size.
    m_nDataSize = nSize > UINT32_MAX - (kBlockSize - 1)
                      ? UINT32_MAX
                      : (nSize + kBlockSize - 1) & ~(kBlockSize - 1);
}

void CRom_Flash::UpdateRomVersion() {
    if (!DataMatches(kTagOffset, kTag)) {
        m_strRomVersion = LoadResString(IDS_ERR_INVALID_ROM);
    } else if (m_bVendorMode) {
        m_strRomVersion = VersionStringText(m_pData.get() + kVersionStringOffset);
    } else {
        m_strRomVersion = Hex(DataWord(kVersionNumberOffset), 4);
    }
}

void CRom_Flash::ReadDeviceVersion(CDevice* pDevice, IProgress*) {
    m_szDeviceVersion.fill(0);
    m_bDeviceFirstBlockRead = false;
    std::array<BYTE, kTagLength> work{};
    m_strDeviceVersion.clear();
    if (pDevice != nullptr && pDevice->m_bRomMode) {
        // No firmware to ask; the chip identified while opening is all there is.
        const FlashChipInfo* pChip = pDevice->m_pFlashChip;
        const char16_t* pszName =
            pChip != nullptr && pChip->pszName != nullptr ? pChip->pszName : u"--- unknown ---";
        m_strDeviceVersion = u"FLASH-ROM = \"" + std::u16string(pszName) + u"\"";
    } else if (pDevice != nullptr) {
        pDevice->ForgetFlashChip();
        std::array<BYTE, kVersionStringLength> version{};
        if (pDevice->ReadFlash(kTagOffset, work.data(), kTagLength, nullptr) &&
            std::memcmp(work.data(), kTag, kTagLength) == 0 &&
            pDevice->ReadFlash(kVersionNumberOffset, work.data(), 2, nullptr) &&
            pDevice->ReadFlash(kVersionStringOffset, version.data(), kVersionStringLength,
                               nullptr)) {
            // Taken only when whole: half a string would decide the
            // comparison on the bytes that happened to arrive.
            m_szDeviceVersion = version;
            m_bDeviceFirstBlockRead =
                pDevice->ReadFlash(0, m_abDeviceFirstBlock.data(), kFirstBlockLength, nullptr);
            m_strDeviceVersion = m_bVendorMode ? VersionStringText(m_szDeviceVersion.data())
                                               : Hex(LittleEndianWord(work.data()), 4);
        }
    }
    if (m_strDeviceVersion.empty()) {
        m_strDeviceVersion = LoadResString(IDS_ERR_INVALID_ROM);
    }
}

bool CRom_Flash::NeedsUpdate(std::u16string& strTitle) {
    strTitle = m_bVendorMode ? u"FLASH-ROM Version" : LoadResString(IDS_FIRMWARE_VERSION);
    if (!IsLoaded()) {
        return false;
    }
    // Whole texts, character by character: "0.3" sorts after "0.27".
    const BYTE* pImage = m_pData.get() + kVersionStringOffset;
    for (UINT i = 0; i < kVersionStringLength; ++i) {
        if (m_szDeviceVersion[i] != pImage[i]) {
            return m_szDeviceVersion[i] < pImage[i];
        }
        if (pImage[i] == 0) {
            break;
        }
    }
    // An interrupted write leaves the first block blank or half there; the
    // bytes a bridge may legitimately hold differently do not count, as in
    // the read-back after writing, or a sound unit would be updated again
    // and again.
    if (!m_bDeviceFirstBlockRead || m_nDataSize < kFirstBlockLength) {
        return false;
    }
    for (DWORD i = 0; i < kFirstBlockLength; ++i) {
        if (m_abDeviceFirstBlock[i] != m_pData[i] && !IsToleratedFlashOffset(i)) {
            return true;
        }
    }
    return false;
}

}  // namespace rf
