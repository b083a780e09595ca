#include "cli/BackupManifest.h"

#include <algorithm>

#include "base/Json.h"
#include "base/Text.h"
#include "device/FlashChips.h"
#include "programming/SpiFlash.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

// The vendor is the first eight characters of the product name the
// identification made of INQUIRY, the product what follows the blank.
constexpr std::size_t kVendorLength = 8;

std::string Hex(std::span<const BYTE> bytes) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string strHex;
    for (const BYTE b : bytes) {
        strHex += kDigits[b >> 4];
        strHex += kDigits[b & 0x0F];
    }
    return strHex;
}

CJson ChipJson(const ManifestChip& chip) {
    if (!chip.id) {
        return {{"id", nullptr}};
    }
    return {{"id", *chip.id}, {"name", chip.strName}};
}

}  // namespace

std::string FlashVersionString(const CFirmwareUpdate& update) {
    const auto& version = update.m_romFlash.m_szDeviceVersion;
    const auto end = std::find(version.begin(), version.end(), BYTE{0});
    return Utf16ToUtf8(WidenBytes(version.data(), static_cast<std::size_t>(end - version.begin())));
}

UnitManifest DescribeUnit(CFirmwareUpdate& update, int nUiState,
                          const std::array<ManifestMemory, kManifestMemoryCount>& contents) {
    CScsiDevice& device = update.m_device;
    UnitManifest manifest;
    const std::u16string& name = device.m_strProductName;
    manifest.strVendor = Utf16ToUtf8(Trim(name.substr(0, std::min(name.size(), kVendorLength))));
    manifest.strProduct =
        Utf16ToUtf8(name.size() > kVendorLength ? Trim(name.substr(kVendorLength)) : u"");
    manifest.strRevision = Utf16ToUtf8(device.m_strRevision);
    manifest.bEmulatedEnclosure = device.m_bEmulatedEnclosure;
    StorageAdapterDescriptor adapter;
    device.QueryStorageProperty(adapter);
    manifest.nBusType = device.m_nBusType;
    manifest.nBusMajor = adapter.BusMajorVersion;
    manifest.nBusMinor = adapter.BusMinorVersion;
    manifest.strBusName = Utf16ToUtf8(device.m_strBusName);
    if (device.m_pFlashChip != nullptr) {
        manifest.flashChip = {device.m_wFlashId, Utf16ToUtf8(device.m_pFlashChip->pszName)};
    }
    if (device.m_pSpiFlashChip != nullptr) {
        manifest.spiChip = {device.m_wSpiFlashId, Utf16ToUtf8(device.m_pSpiFlashChip->pszName)};
    }
    manifest.strSerial = Utf16ToUtf8(update.m_romCpu.m_strSerialNo);
    manifest.strUiSerial = Utf16ToUtf8(update.m_romUI78K.m_strUiSerialNo);
    manifest.nUiState = nUiState;
    manifest.bUiDebugger = update.m_romUI78K.m_bDebugger;
    const auto& block = update.m_romUI78K.m_abUiSerialNo;
    if (std::any_of(block.begin(), block.end(), [](BYTE b) { return b != 0xFF; })) {
        manifest.infoBlock = block;
    }
    manifest.memories = contents;
    const std::array<const CRomObject*, kManifestMemoryCount> roms = {
        &update.m_romFlash, &update.m_romHost, &update.m_romCpu, &update.m_romUI78K,
        &update.m_romUIRSC};
    for (std::size_t i = 0; i < roms.size(); ++i) {
        manifest.memories[i].wVersion = roms[i]->m_wDeviceVersion;
    }
    manifest.strFlashVersion = FlashVersionString(update);
    manifest.memories[kManifestUi].wDate = update.m_romUI78K.m_wDeviceDate;
    manifest.memories[kManifestUi].wTime = update.m_romUI78K.m_wDeviceTime;
    manifest.memories[kManifestResource].wDate = update.m_romUIRSC.m_wDeviceDate;
    manifest.memories[kManifestResource].wTime = update.m_romUIRSC.m_wDeviceTime;
    return manifest;
}

std::string FormatUnitManifest(const UnitManifest& manifest) {
    CJson memories = CJson::object();
    for (std::size_t i = 0; i < kManifestMemoryCount; ++i) {
        const ManifestMemory& memory = manifest.memories[i];
        CJson entry = {{"read", MemoryReadKey(memory.read)},
                       {"bytes", memory.nBytes},
                       {"version", memory.wVersion}};
        if (i == kManifestFlash) {
            entry["version_string"] = manifest.strFlashVersion;
        }
        if (i == kManifestUi || i == kManifestResource) {
            entry["date"] = memory.wDate;
            entry["time"] = memory.wTime;
        }
        memories[kManifestMemories[i].pszKey] = std::move(entry);
    }
    CJson json = CJson::object();
    json["format"] = manifest.nFormat;
    json["inquiry"] = {{"vendor", manifest.strVendor},
                       {"product", manifest.strProduct},
                       {"revision", manifest.strRevision},
                       {"emulated_enclosure", manifest.bEmulatedEnclosure}};
    json["bus"] = {{"type", manifest.nBusType},
                   {"major", manifest.nBusMajor},
                   {"minor", manifest.nBusMinor},
                   {"name", manifest.strBusName}};
    json["flash_chip"] = ChipJson(manifest.flashChip);
    json["spi_chip"] = ChipJson(manifest.spiChip);
    json["serial"] = manifest.strSerial;
    json["ui_serial"] = manifest.strUiSerial;
    json["ui_controller"] = {
        {"state", manifest.nUiState},
        {"debugger", manifest.bUiDebugger},
        {"info_block", manifest.infoBlock ? CJson(Hex(*manifest.infoBlock)) : CJson(nullptr)}};
    json["memories"] = std::move(memories);
    return JsonText(json) + "\n";
}

}  // namespace rf
