#include "images/RomUi.h"

#include <algorithm>
#include <cstring>

#include "base/Text.h"
#include "device/ScsiDevice.h"
#include "firmware/FirmwareImages.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"
#include "text/StringTable.h"

namespace rf {

namespace {

constexpr UINT kUiBufferSize = 0x10000;
constexpr UINT kResourceBufferSize = 0x100000;
constexpr UINT kUiMagicOffset = 0x90;
constexpr UINT kUiTripleOffset = 0x98;
constexpr UINT kResourceTripleOffset = 0x08;
constexpr char kUiMagic[] = "QV_UI78K";
constexpr char kResourceMagic[] = "RESOURCE";
constexpr std::size_t kMagicLength = 8;
// Controller firmware from this version on answers the information block.
constexpr WORD kFirstVersionWithInfoBlock = 0x24;

VersionTriple TripleAt(const BYTE* p) {
    return {LittleEndianWord(p), LittleEndianWord(p + 2), LittleEndianWord(p + 4)};
}

// "0029" in normal mode; "0029 (2013/11/12 17:28:04)" in vendor mode.
std::u16string TripleText(const VersionTriple& triple, bool bVendorMode) {
    std::u16string text = Hex(triple.wVersion, 4);
    if (bVendorMode) {
        text += u" (" + FormatDosDateTime(triple.wTime, triple.wDate) + u")";
    }
    return text;
}

}  // namespace

CRom_UI78K::CRom_UI78K() : CRomObject(IDR_UI_FIRMWARE, kUiBufferSize) {
    m_abUiSerialNo.fill(0xFF);
}

void CRom_UI78K::UpdateRomVersion() {
    if (!DataMatches(kUiMagicOffset, std::string_view(kUiMagic, kMagicLength))) {
        m_strRomVersion = LoadResString(IDS_ERR_INVALID_ROM);
        return;
    }
    m_strRomVersion = TripleText(TripleAt(m_pData.get() + kUiTripleOffset), m_bVendorMode);
}

void CRom_UI78K::ReadDeviceVersion(CDevice* pDevice, IProgress*) {
    m_wDeviceVersion = 0xFFFF;
    m_bDebugger = false;
    m_abUiSerialNo.fill(0xFF);
    m_eInfoBlock = InfoBlockRead::NotAsked;
    m_strUiSerialNo.clear();

    std::array<BYTE, 6> answer{};
    if (pDevice == nullptr || !ReadUiVersion(pDevice, answer.data())) {
        m_strDeviceVersion = LoadResString(IDS_ERR_VERSION_INFO);
        return;
    }
    const UiState eState = pDevice->GetUiState();
    if (eState == UI_STATE_FIRMWARE || eState == UI_STATE_FIRMWARE_ALTERNATIVE) {
        const VersionTriple device = TripleAt(answer.data());
        m_wDeviceVersion = device.wVersion;
        m_wDeviceDate = device.wDate;
        m_wDeviceTime = device.wTime;
        m_strDeviceVersion = TripleText(device, m_bVendorMode);
        if (device == kDebuggerTriple) {
            m_strDeviceVersion = u"(Running on Debugger)";
            m_bDebugger = true;
        }
        m_eInfoBlock = InfoBlockRead::NotHeld;
        if (m_wDeviceVersion >= kFirstVersionWithInfoBlock) {
            // Kept only when the whole block arrived: the update writes it
            // back into the unit, and bytes of a damaged frame must not go
            // there.
            std::array<BYTE, 16> block;
            block.fill(0xFF);
            m_eInfoBlock = InfoBlockRead::Refused;
            if (ReadUiInfoBlock(pDevice, block.data())) {
                m_abUiSerialNo = block;
                m_eInfoBlock = InfoBlockRead::Read;
                m_strUiSerialNo = PrintableText(block.data(), block.size(), true);
            }
        }
    } else if (eState == UI_STATE_BOOT) {
        // The loader's answer is not a firmware version: any image is newer.
        m_eInfoBlock = InfoBlockRead::NoFirmware;
        m_wDeviceVersion = 0;
        m_wDeviceDate = 0;
        m_wDeviceTime = 0;
        if (m_bVendorMode) {
            m_strDeviceVersion = Hex(answer[0], 2) + u"." + Hex(answer[1], 2) + Hex(answer[2], 2) +
                                 u" (" + Hex(answer[3], 2) + u"." + Hex(answer[4], 2) +
                                 Hex(answer[5], 2) + u")";
        } else {
            m_strDeviceVersion = LoadResString(IDS_ERR_INVALID_ROM);
        }
    } else {
        m_strDeviceVersion = LoadResString(IDS_ERR_VERSION_INFO);
    }
}

bool CRom_UI78K::NeedsUpdate(std::u16string& strTitle) {
    strTitle = m_bVendorMode ? u"78K Firmware Version" : LoadResString(IDS_FIRMWARE3_VERSION);
    if (m_wDeviceVersion == 0xFFFF || !IsLoaded()) {
        return false;
    }
    const VersionTriple device{m_wDeviceVersion, m_wDeviceDate, m_wDeviceTime};
    if (device == kDebuggerTriple) {
        m_bUpdateLocked = true;
        return false;
    }
    m_bUpdateLocked = false;
    return device < TripleAt(m_pData.get() + kUiTripleOffset);
}

CRom_UIRSC::CRom_UIRSC() : CRomObject(IDR_UI_RESOURCE, kResourceBufferSize) {}

void CRom_UIRSC::UpdateRomVersion() {
    if (!DataMatches(0, std::string_view(kResourceMagic, kMagicLength))) {
        m_strRomVersion = LoadResString(IDS_ERR_INVALID_ROM);
        return;
    }
    m_strRomVersion = TripleText(TripleAt(m_pData.get() + kResourceTripleOffset), m_bVendorMode);
}

void CRom_UIRSC::ReadDeviceVersion(CDevice* pDevice, IProgress*) {
    auto notRead = [this] {
        m_strDeviceVersion = LoadResString(IDS_ERR_VERSION_INFO);
        m_wDeviceVersion = 0xFFFF;
        m_wDeviceDate = 0;
        m_wDeviceTime = 0;
    };
    auto invalid = [this] {
        m_strDeviceVersion = LoadResString(IDS_ERR_INVALID_ROM);
        m_wDeviceVersion = 0;
        m_wDeviceDate = 0;
        m_wDeviceTime = 0;
    };
    auto hasMagic = [](const std::array<BYTE, 16>& header) {
        return std::memcmp(header.data(), kResourceMagic, kMagicLength) == 0;
    };

    if (pDevice == nullptr || pDevice->GetUiState() != UI_STATE_FIRMWARE) {
        notRead();
        return;
    }
    std::array<BYTE, 16> header{};
    if (!ReadResourceHeader(pDevice, header.data())) {
        notRead();
        return;
    }
    if (!hasMagic(header)) {
        if (std::any_of(header.begin(), header.begin() + kMagicLength,
                        [](BYTE b) { return b != 0; })) {
            invalid();
            return;
        }
        // Firmware that answers an empty header does not read the resource
        // data itself; the SPI flash behind it still holds it.
        auto* pScsiDevice = dynamic_cast<CScsiDevice*>(pDevice);
        if (pScsiDevice == nullptr || !ReadResourceHeaderSpi(pScsiDevice, header.data())) {
            notRead();
            return;
        }
        if (!hasMagic(header)) {
            invalid();
            return;
        }
    }
    const VersionTriple device = TripleAt(header.data() + kResourceTripleOffset);
    m_wDeviceVersion = device.wVersion;
    m_wDeviceDate = device.wDate;
    m_wDeviceTime = device.wTime;
    m_strDeviceVersion = TripleText(device, m_bVendorMode);
}

bool CRom_UIRSC::NeedsUpdate(std::u16string& strTitle) {
    strTitle = m_bVendorMode ? u"Resource Data Version" : LoadResString(IDS_FIRMWARE4_VERSION);
    if (m_wDeviceVersion == 0xFFFF || !IsLoaded()) {
        return false;
    }
    return VersionTriple{m_wDeviceVersion, m_wDeviceDate, m_wDeviceTime} <
           TripleAt(m_pData.get() + kResourceTripleOffset);
}

}  // namespace rf
