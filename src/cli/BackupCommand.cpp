// Saves what can be read from the enclosure, without writing anything to it.

#include <filesystem>
#include <fstream>
#include <ostream>
#include <vector>

#include "app/FilePath.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/Commands.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

constexpr DWORD kFlashWindowBase = 0x20000;
constexpr UINT kFlashBackupSize = 0x20000;  // the largest bridge image
constexpr UINT kHostEepromSize = 0x2000;
constexpr UINT kCpuEepromSize = 0x800;
constexpr WORD kSpiReadPiece = 0x8000;

struct SpiSize {
    WORD wId;
    UINT nSize;
};

// Capacities of the SPI flash parts the controller may carry.
constexpr SpiSize kSpiSizes[] = {
    {0x10EF, 0x20000}, {0x11EF, 0x40000}, {0x12EF, 0x80000}, {0x13EF, 0x100000}, {0x14EF, 0x200000},
};

bool SaveFile(const std::filesystem::path& path, const std::vector<BYTE>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// The SPI flash, read through the controller's firmware from address 0.
bool ReadSpiFlash(CScsiDevice& device, std::vector<BYTE>& contents) {
    if (device.GetUiState() != 2 || IdentifySpiFlash(&device) == 0xFFFF) {
        return false;
    }
    UINT nSize = 0;
    for (const SpiSize& entry : kSpiSizes) {
        if (entry.wId == device.m_wSpiFlashId) {
            nSize = entry.nSize;
        }
    }
    static constexpr BYTE kReadFromStart[] = {0x03, 0x00, 0x00, 0x00};
    if (nSize == 0 || !SpiWrite(&device, kReadFromStart, sizeof kReadFromStart, true)) {
        return false;
    }
    contents.assign(nSize, 0);
    for (UINT nDone = 0; nDone < nSize; nDone += kSpiReadPiece) {
        const bool bLast = nDone + kSpiReadPiece >= nSize;
        if (!SpiRead(&device, contents.data() + nDone, kSpiReadPiece, !bLast)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int RunBackup(CFirmwareUpdate& update, const std::string& strDirectory, CommandStreams& streams) {
    update.RefreshImages();
    if (!FindAndReadUnit(update, nullptr, streams.err)) {
        return kExitNothing;
    }
    CScsiDevice& device = update.m_device;
    std::error_code error;
    const std::filesystem::path directory = PathFromUtf8(strDirectory);
    std::filesystem::create_directories(directory, error);
    auto fail = [&](const std::string& strWhat) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_FAILED)) << strWhat << '\n';
        return kExitFailure;
    };
    auto save = [&](const char* pszName, const std::vector<BYTE>& bytes) {
        if (!SaveFile(directory / pszName, bytes)) {
            return false;
        }
        streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_SAVED))
                    << PathToUtf8(directory / pszName) << '\n';
        return true;
    };

    std::vector<BYTE> flash(kFlashBackupSize, 0);
    device.m_dwFlashBase = kFlashWindowBase;
    if (!device.ReadFlash(0, flash.data(), kFlashBackupSize, nullptr) ||
        device.m_bScsiStatus != 0 || !save("flash-rom.bin", flash)) {
        return fail("flash-rom.bin");
    }
    std::vector<BYTE> host(kHostEepromSize, 0);
    if (!device.ReadHostEeprom(0, host.data(), kHostEepromSize, nullptr) ||
        !save("seeprom-host.bin", host)) {
        return fail("seeprom-host.bin");
    }
    std::vector<BYTE> cpu(kCpuEepromSize, 0);
    if (!device.ReadCpuEeprom(0, cpu.data(), kCpuEepromSize, nullptr) ||
        !save("seeprom-cpu.bin", cpu)) {
        return fail("seeprom-cpu.bin");
    }
    std::vector<BYTE> spi;
    if (!ReadSpiFlash(device, spi) || !save("spi-flash.bin", spi)) {
        return fail("spi-flash.bin");
    }
    streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_UI_FLASH)) << '\n';
    // Nothing was written; the device is only closed.
    device.Close();
    return kExitSuccess;
}

}  // namespace rf
