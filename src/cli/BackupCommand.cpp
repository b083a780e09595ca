// Saves what can be read from the enclosure, without writing anything to it.
// A file is saved only when every byte of its memory came back as the
// device holds it: a backup with holes would be restored as if it were good.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string_view>
#include <vector>

#include "app/FilePath.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/Commands.h"
#include "device/BridgeCommands.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"
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
    if (device.GetUiState() != UI_STATE_FIRMWARE || IdentifySpiFlash(&device) == 0xFFFF) {
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
    update.RefreshImages();
    if (!FindAndReadUnit(update, nullptr, streams.err, options)) {
        return kExitNothing;
    }
    CScsiDevice& device = update.m_device;
    std::error_code error;
    const std::filesystem::path directory = PathFromUtf8(strDirectory);
    std::filesystem::create_directories(directory, error);
    // Nothing was written; the device is only closed, whatever the outcome.
    auto fail = [&](UINT nMemory, const char* pszFile, const std::u16string& why = u"") {
        device.Close();
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_FAILED) + LoadResString(nMemory) +
                                   u" (" + Widen(pszFile) + u")" +
                                   (why.empty() ? u"" : u": " + why))
                    << '\n';
        return kExitFailure;
    };
    auto save = [&](const char* pszName, const std::vector<BYTE>& bytes) {
        std::string strError;
        const std::string_view contents(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (!WriteFileAtomically(directory / pszName, contents, strError)) {
            return false;
        }
        streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_SAVED))
                    << PathToUtf8(directory / pszName) << '\n';
        return true;
    };

    struct Memory {
        UINT nName;
        const char* pszFile;
        std::function<bool(std::vector<BYTE>&, ReadFault&)> read;
    };
    const Memory memories[] = {
        {IDS_CLI_MEMORY_FLASH, "flash-rom.bin",
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             bytes.assign(kFlashBackupSize, 0);
             device.m_dwFlashBase = kFlashWindowBase;
             return device.ReadFlashChecked(0, bytes.data(), kFlashBackupSize, nullptr, fault);
         }},
        {IDS_CLI_MEMORY_HOST, "seeprom-host.bin",
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             bytes.assign(kHostEepromSize, 0);
             return device.ReadHostEepromChecked(0, bytes.data(), kHostEepromSize, nullptr, fault);
         }},
        {IDS_CLI_MEMORY_CPU, "seeprom-cpu.bin",
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             bytes.assign(kCpuEepromSize, 0);
             return device.ReadCpuEepromChecked(0, bytes.data(), kCpuEepromSize, nullptr, fault);
         }},
        {IDS_CLI_MEMORY_RESOURCE, "spi-flash.bin",
         [&](std::vector<BYTE>& bytes, ReadFault& fault) {
             return ReadSpiFlash(device, bytes, fault);
         }},
    };
    for (const Memory& memory : memories) {
        std::vector<BYTE> bytes;
        ReadFault fault;
        if (!memory.read(bytes, fault)) {
            return fail(memory.nName, memory.pszFile, DescribeReadFault(fault));
        }
        if (!save(memory.pszFile, bytes)) {
            return fail(memory.nName, memory.pszFile);
        }
    }
    // The unit's own name in the controller's flash, as an update keeps it
    // before the erase; all 0xFF when the controller could not report it.
    const auto& info = update.m_romUI78K.m_abUiSerialNo;
    if (std::any_of(info.begin(), info.end(), [](BYTE b) { return b != 0xFF; }) &&
        !save("ui-info-block.bin", std::vector<BYTE>(info.begin(), info.end()))) {
        return fail(IDS_CLI_MEMORY_UI, "ui-info-block.bin");
    }
    streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_UI_FLASH)) << '\n';
    device.Close();
    return kExitSuccess;
}

}  // namespace rf
