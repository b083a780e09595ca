// Saves what can be read from the enclosure, without writing anything to it.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <vector>

#include "app/FilePath.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/Commands.h"
#include "cli/DialogSession.h"
#include "device/BridgeCommands.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"

namespace rf {

namespace {

constexpr UINT kFlashBackupSize = 0x20000;  // the largest bridge image
constexpr UINT kHostEepromSize = 0x2000;
constexpr UINT kCpuEepromSize = 0x800;
constexpr WORD kSpiReadPiece = 0x8000;

bool SaveFile(const std::filesystem::path& path, const std::vector<BYTE>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// The SPI flash, read through the controller's firmware from address 0.
bool ReadSpiFlash(CScsiDevice& device, std::vector<BYTE>& contents) {
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
        if (!SpiRead(&device, contents.data() + nDone, kSpiReadPiece, !bLast)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int RunBackup(CDialogSession& session, const std::string& strDirectory, CommandStreams& streams) {
    session.Open();
    session.RunUntil([&] { return session.bDeviceFound; }, kSearchMilliseconds);
    if (!session.bDeviceFound) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_NO_DEVICE)) << '\n';
        ReportDrivesWithoutAccess(session.Dialog().m_device.System(), streams.err);
        return kExitNothing;
    }
    CScsiDevice& device = session.Dialog().m_device;
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
    if (!device.ReadFlash(0, flash.data(), kFlashBackupSize, nullptr) || device.m_bScsiStatus != 0 ||
        !save("flash-rom.bin", flash)) {
        return fail("flash-rom.bin");
    }
    std::vector<BYTE> host(kHostEepromSize, 0);
    if (!device.ReadHostEeprom(0, host.data(), kHostEepromSize, nullptr) || !save("seeprom-host.bin", host)) {
        return fail("seeprom-host.bin");
    }
    std::vector<BYTE> cpu(kCpuEepromSize, 0);
    if (!device.ReadCpuEeprom(0, cpu.data(), kCpuEepromSize, nullptr) || !save("seeprom-cpu.bin", cpu)) {
        return fail("seeprom-cpu.bin");
    }
    std::vector<BYTE> spi;
    if (!ReadSpiFlash(device, spi) || !save("spi-flash.bin", spi)) {
        return fail("spi-flash.bin");
    }
    // The unit's own name in the controller's flash, as an update keeps it
    // before the erase; all 0xFF when the controller could not report it.
    const auto& info = session.Dialog().m_romUI78K.m_abUiSerialNo;
    if (std::any_of(info.begin(), info.end(), [](BYTE b) { return b != 0xFF; }) &&
        !save("ui-info-block.bin", std::vector<BYTE>(info.begin(), info.end()))) {
        return fail("ui-info-block.bin");
    }
    streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_UI_FLASH)) << '\n';
    // Nothing was written; the device is only closed.
    device.Close();
    return kExitSuccess;
}

}  // namespace rf
