#include "backup/UnitBackup.h"

#include <algorithm>
#include <functional>
#include <span>

#include "backup/BackupSet.h"
#include "base/Text.h"
#include "device/FlashChips.h"
#include "device/ScsiDevice.h"
#include "images/RomFlash.h"
#include "images/RomSeeprom.h"
#include "images/RomUi.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// The vendor is the first eight characters of the product name the
// identification made of INQUIRY, the product what follows the blank.
constexpr std::size_t kVendorLength = 8;

constexpr WORD kSpiReadPiece = 0x8000;

bool HoldsInfoBlock(const std::array<BYTE, 16>& block) {
    return std::any_of(block.begin(), block.end(), [](BYTE b) { return b != 0xFF; });
}

// The SPI flash, read through the controller's firmware from address 0. A
// piece that fails is told in fault, as a chunk of a bridge read would be.
bool ReadSpiFlash(CScsiDevice& device, std::vector<BYTE>& contents, ReadFault& fault) {
    if (IdentifySpiFlash(&device) == 0xFFFF) {
        return false;
    }
    const UINT nSize = device.m_pSpiFlashChip != nullptr ? device.m_pSpiFlashChip->dwSize : 0;
    static constexpr BYTE kReadFromStart[] = {0x03, 0x00, 0x00, 0x00};
    if (nSize == 0 || !SpiWrite(&device, kReadFromStart, sizeof kReadFromStart, true)) {
        return false;
    }
    contents.assign(nSize, 0);
    for (UINT nDone = 0; nDone < nSize; nDone += kSpiReadPiece) {
        const bool bLast = nDone + kSpiReadPiece >= nSize;
        UINT nRead = 0;
        if (!SpiRead(&device, contents.data() + nDone, kSpiReadPiece, !bLast, &nRead)) {
            fault.kind = ReadFaultKind::NoAnswer;
            fault.nOffset = nDone + nRead;
            return false;
        }
    }
    return true;
}

}  // namespace

const CRomObject& UnitReading::Rom(MemoryKind kind) const {
    switch (kind) {
        case MemoryKind::Flash:
            return flash;
        case MemoryKind::Host:
            return host;
        case MemoryKind::Cpu:
            return cpu;
        case MemoryKind::Ui:
            return ui;
        case MemoryKind::Resource:
            return resource;
    }
    return flash;  // not reached: every kind is named above
}

std::string FlashVersionString(const CRom_Flash& flash) {
    const auto& version = flash.m_szDeviceVersion;
    const auto end = std::find(version.begin(), version.end(), BYTE{0});
    return Utf16ToUtf8(WidenBytes(version.data(), static_cast<std::size_t>(end - version.begin())));
}

UnitManifest DescribeUnit(const UnitReading& unit, int nUiState, const ManifestMemories& contents) {
    CScsiDevice& device = unit.device;
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
    manifest.strSerial = Utf16ToUtf8(unit.cpu.m_strSerialNo);
    manifest.strUiSerial = Utf16ToUtf8(unit.ui.m_strUiSerialNo);
    manifest.nUiState = nUiState;
    manifest.bUiDebugger = unit.ui.m_bDebugger;
    if (HoldsInfoBlock(unit.ui.m_abUiSerialNo)) {
        manifest.infoBlock = unit.ui.m_abUiSerialNo;
    }
    manifest.memories = contents;
    for (const MemoryKindInfo& memory : Memories()) {
        manifest.memories[memory.kind].wVersion = unit.Rom(memory.kind).m_wDeviceVersion;
    }
    manifest.strFlashVersion = FlashVersionString(unit.flash);
    manifest.memories[MemoryKind::Ui].wDate = unit.ui.m_wDeviceDate;
    manifest.memories[MemoryKind::Ui].wTime = unit.ui.m_wDeviceTime;
    manifest.memories[MemoryKind::Resource].wDate = unit.resource.m_wDeviceDate;
    manifest.memories[MemoryKind::Resource].wTime = unit.resource.m_wDeviceTime;
    return manifest;
}

UnitBackupResult ReadUnitIntoBackup(const UnitReading& unit, CBackupSet& set,
                                    const std::filesystem::path& directory) {
    CScsiDevice& device = unit.device;
    UnitBackupResult result;
    // Nothing was written; the device is only closed, whatever the outcome.
    auto fail = [&](UINT nMemory, const char* pszFile) {
        device.Close();
        result.nMemory = nMemory;
        result.pszFile = pszFile;
        return result;
    };
    auto save = [&](const char* pszName, std::span<const BYTE> bytes) {
        if (!set.Write(pszName, bytes, result.strError)) {
            return false;
        }
        result.notes.push_back({BackupNote::Saved, directory / pszName});
        return true;
    };

    // Without firmware running, the controller cannot pass the SPI flash
    // through: its contents are recorded as not readable, not as a failure.
    const int nUiState = device.GetUiState();
    ManifestMemories contents{};
    // A chip of at most the bytes read is held whole; an unidentified one
    // (a bridge that runs its firmware) only as far as firmware reaches.
    const UINT nFlashBackupSize = MemoryKindOf(MemoryKind::Flash).nBackupSize;
    const bool bWholeFlash =
        device.m_pFlashChip != nullptr && device.m_pFlashChip->dwSize <= nFlashBackupSize;
    contents[MemoryKind::Flash] = {bWholeFlash ? MemoryRead::Whole : MemoryRead::Part,
                                   nFlashBackupSize};
    contents[MemoryKind::Host] = {MemoryRead::Whole, MemoryKindOf(MemoryKind::Host).nBackupSize};
    contents[MemoryKind::Cpu] = {MemoryRead::Whole, MemoryKindOf(MemoryKind::Cpu).nBackupSize};

    struct Memory {
        MemoryKind kind;
        std::function<bool(std::vector<BYTE>&, ReadFault&)> read;
    };
    const Memory memories[] = {
        {MemoryKind::Flash,
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             device.UseFlashWindow();
             return device.ReadFlashChecked(0, bytes.data(), static_cast<UINT>(bytes.size()),
                                            nullptr, fault);
         }},
        {MemoryKind::Host,
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             return device.ReadHostEepromChecked(0, bytes.data(), static_cast<UINT>(bytes.size()),
                                                 nullptr, fault);
         }},
        {MemoryKind::Cpu,
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             return device.ReadCpuEepromChecked(0, bytes.data(), static_cast<UINT>(bytes.size()),
                                                nullptr, fault);
         }},
        {MemoryKind::Resource,
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             return ReadSpiFlash(device, bytes, fault);
         }},
    };
    for (const Memory& memory : memories) {
        const MemoryKindInfo& info = MemoryKindOf(memory.kind);
        const char* pszFile = info.pszBackupFile;
        if (memory.kind == MemoryKind::Resource && nUiState != UI_STATE_FIRMWARE) {
            result.notes.push_back({BackupNote::NoResource, {}});
            continue;
        }
        // A memory of a known size is read into a buffer of that size; the
        // SPI flash's read sizes it by its chip.
        std::vector<BYTE> bytes(info.nBackupSize, 0);
        ReadFault fault;
        if (!memory.read(bytes, fault)) {
            result.readFault = fault;
            return fail(info.nNameId, pszFile);
        }
        if (!save(pszFile, bytes)) {
            return fail(info.nNameId, pszFile);
        }
        if (memory.kind == MemoryKind::Resource) {
            contents[MemoryKind::Resource] = {MemoryRead::Whole,
                                              static_cast<std::uint32_t>(bytes.size())};
        }
    }
    // The unit's own name in the controller's flash, as an update keeps it
    // before the erase; all 0xFF when the controller could not report it.
    const auto& info = unit.ui.m_abUiSerialNo;
    if (HoldsInfoBlock(info) && !save(kInfoBlockFile, info)) {
        return fail(MemoryKindOf(MemoryKind::Ui).nNameId, kInfoBlockFile);
    }
    result.notes.push_back({BackupNote::NoUiFlash, {}});
    const std::string strManifest = FormatUnitManifest(DescribeUnit(unit, nUiState, contents));
    device.Close();
    const std::span<const BYTE> manifestBytes(reinterpret_cast<const BYTE*>(strManifest.data()),
                                              strManifest.size());
    result.bDone = save(kUnitManifestFile, manifestBytes) && set.Commit(result.strError);
    return result;
}

}  // namespace rf
