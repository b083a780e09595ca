// Saves what can be read from the enclosure, without writing anything to it.
// A file is saved only when every byte of its memory came back as the
// device holds it: a backup with holes would be restored as if it were good.
// The files are one set: they are put in the directory's place together,
// manifest (unit.json) and all, once the last is whole; a backup that fails
// leaves the directory as it was.

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "backup/BackupSet.h"
#include "base/FilePath.h"
#include "base/Text.h"
#include "cli/BackupManifest.h"
#include "cli/Commands.h"
#include "device/BridgeCommands.h"
#include "device/FlashChips.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

constexpr UINT kFlashBackupSize = 0x20000;  // the largest bridge image
constexpr UINT kHostEepromSize = 0x2000;
constexpr UINT kCpuEepromSize = 0x800;
constexpr WORD kSpiReadPiece = 0x8000;

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

int RunBackup(CFirmwareUpdate& update, const CliOptions& options, const std::string& strDirectory,
              CommandStreams& streams) {
    const std::filesystem::path directory = PathFromUtf8(strDirectory);
    // The directory is checked before the unit is looked for: a backup
    // that could not be put in place is not read.
    CBackupSet set(directory, BackupFileNames(nullptr));
    std::string strError;
    if (!set.Begin(strError)) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_FAILED)) << strError << '\n';
        return kExitNothing;
    }
    update.RefreshImages();
    if (!FindAndReadUnit(update, nullptr, streams.err, options)) {
        return kExitNothing;
    }
    CScsiDevice& device = update.m_device;
    // What is saved is told once the set is in place.
    std::ostringstream saved;
    // Nothing was written; the device is only closed, whatever the outcome.
    auto fail = [&](UINT nMemory, const char* pszFile, const std::u16string& why = u"") {
        device.Close();
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_FAILED) + LoadResString(nMemory) +
                                   u" (" + Widen(pszFile) + u")" +
                                   (why.empty() ? u"" : u": " + why))
                    << '\n';
        return kExitFailure;
    };
    auto save = [&](const char* pszName, std::span<const BYTE> bytes) {
        if (!set.Write(pszName, bytes, strError)) {
            return false;
        }
        saved << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_SAVED)) << PathToUtf8(directory / pszName)
              << '\n';
        return true;
    };

    // Without firmware running, the controller cannot pass the SPI flash
    // through: its contents are recorded as not readable, not as a failure.
    const int nUiState = device.GetUiState();
    std::array<ManifestMemory, kManifestMemoryCount> contents{};
    // A chip of at most the bytes read is held whole; an unidentified one
    // (a bridge that runs its firmware) only as far as firmware reaches.
    const bool bWholeFlash =
        device.m_pFlashChip != nullptr && device.m_pFlashChip->dwSize <= kFlashBackupSize;
    contents[kManifestFlash] = {bWholeFlash ? MemoryRead::Whole : MemoryRead::Part,
                                kFlashBackupSize};
    contents[kManifestHost] = {MemoryRead::Whole, kHostEepromSize};
    contents[kManifestCpu] = {MemoryRead::Whole, kCpuEepromSize};

    struct Memory {
        UINT nName;
        const char* pszFile;
        std::function<bool(std::vector<BYTE>&, ReadFault&)> read;
    };
    const Memory memories[] = {
        {IDS_CLI_MEMORY_FLASH, kManifestMemories[kManifestFlash].pszFile,
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             bytes.assign(kFlashBackupSize, 0);
             device.m_dwFlashBase = kFlashWindowBase;
             return device.ReadFlashChecked(0, bytes.data(), kFlashBackupSize, nullptr, fault);
         }},
        {IDS_CLI_MEMORY_HOST, kManifestMemories[kManifestHost].pszFile,
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             bytes.assign(kHostEepromSize, 0);
             return device.ReadHostEepromChecked(0, bytes.data(), kHostEepromSize, nullptr, fault);
         }},
        {IDS_CLI_MEMORY_CPU, kManifestMemories[kManifestCpu].pszFile,
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             bytes.assign(kCpuEepromSize, 0);
             return device.ReadCpuEepromChecked(0, bytes.data(), kCpuEepromSize, nullptr, fault);
         }},
        {IDS_CLI_MEMORY_RESOURCE, kManifestMemories[kManifestResource].pszFile,
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             return ReadSpiFlash(device, bytes, fault);
         }},
    };
    for (const Memory& memory : memories) {
        if (memory.nName == IDS_CLI_MEMORY_RESOURCE && nUiState != UI_STATE_FIRMWARE) {
            saved << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_RESOURCE)) << '\n';
            continue;
        }
        std::vector<BYTE> bytes;
        ReadFault fault;
        if (!memory.read(bytes, fault)) {
            return fail(memory.nName, memory.pszFile, DescribeReadFault(fault));
        }
        if (!save(memory.pszFile, bytes)) {
            return fail(memory.nName, memory.pszFile, Utf8ToUtf16(strError));
        }
        if (memory.nName == IDS_CLI_MEMORY_RESOURCE) {
            contents[kManifestResource] = {MemoryRead::Whole,
                                           static_cast<std::uint32_t>(bytes.size())};
        }
    }
    // The unit's own name in the controller's flash, as an update keeps it
    // before the erase; all 0xFF when the controller could not report it.
    const auto& info = update.m_romUI78K.m_abUiSerialNo;
    if (std::any_of(info.begin(), info.end(), [](BYTE b) { return b != 0xFF; }) &&
        !save(kInfoBlockFile, info)) {
        return fail(IDS_CLI_MEMORY_UI, kInfoBlockFile, Utf8ToUtf16(strError));
    }
    saved << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_UI_FLASH)) << '\n';
    const std::string strManifest = FormatUnitManifest(DescribeUnit(update, nUiState, contents));
    device.Close();
    const std::span<const BYTE> manifestBytes(reinterpret_cast<const BYTE*>(strManifest.data()),
                                              strManifest.size());
    if (!save(kUnitManifestFile, manifestBytes) || !set.Commit(strError)) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_FAILED)) << strError << '\n';
        return kExitFailure;
    }
    streams.out << saved.str();
    return kExitSuccess;
}

}  // namespace rf
