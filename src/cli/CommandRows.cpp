// What each row of the command table runs: the command itself, with the
// checks of its operands that need the file system.

#include <filesystem>
#include <ostream>

#include "base/FilePath.h"
#include "base/Text.h"
#include "cli/CommandRun.h"
#include "cli/DriveRun.h"
#include "cli/FirmwareCommand.h"
#include "cli/JsonReply.h"
#include "cli/UpdateAll.h"
#include "emulator/NorFlashChip.h"
#include "emulator/SpiFlashModel.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

// A chip the tables do not know is refused with the names they hold.
template <typename Table>
bool CheckChipName(const std::optional<std::string>& name, const Table& table, UINT nMessage,
                   std::ostream& err) {
    if (!name) {
        return true;
    }
    for (const auto& row : table) {
        if (*name == row.pszName) {
            return true;
        }
    }
    PrintMessage(err, nMessage, Utf8ToUtf16(*name));
    for (const auto& row : table) {
        err << "  " << row.pszName << '\n';
    }
    return false;
}

}  // namespace

int RunListRow(CommandRun& run) {
    run.pDrives->ShowLinkAtEnd();
    return ListDrives(run.pDrives->System(), run.options, run.streams);
}

int RunInfoRow(CommandRun& run) {
    run.pDrives->ShowLinkAtEnd();
    // A package is checked whole before any device is touched.
    if (!CheckFirmwareOption(run.options, run.streams.err)) {
        return kExitNothing;
    }
    CFirmwareUpdate update(run.pDrives->System(), run.options.updater);
    return ShowInfo(update, run.options, run.streams);
}

int RunUpdateRow(CommandRun& run) {
    CliOptions& options = run.options;
    if (!CheckFirmwareOption(options, run.streams.err)) {
        return kExitNothing;
    }
    CDriveRun& drives = *run.pDrives;
    if (options.bAll) {
        return RunUpdateAll(drives.System(), options, run.streams, run.context,
                            [&drives, &run]() { return drives.HandOver(run.context.err); });
    }
    CFirmwareUpdate update(drives.System(), options.updater);
    if (options.bPlan) {
        return RunPlanCommand(update, options, run.streams);
    }
    if (options.bRehearse) {
        return RehearseUpdate(update, options, run.streams, run.context.bTerminalOutput);
    }
    // The emulated enclosure's state is kept before the result is told.
    return RunUpdateCommand(update, options, run.streams, run.context.bTerminalOutput, nullptr,
                            [&drives, &run]() { return drives.SaveState(run.context.err); });
}

int RunBackupRow(CommandRun& run) {
    const std::u16string& directory = run.options.words[1];
    std::error_code error;
    const std::filesystem::path path = PathFromUtf16(directory);
    if (std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error)) {
        PrintMessage(run.streams.err, IDS_CLI_NOT_A_DIRECTORY, directory);
        return kExitNothing;
    }
    CFirmwareUpdate update(run.pDrives->System(), run.options.updater);
    return RunBackup(update, run.options, Utf16ToUtf8(directory), run.streams);
}

int RunEmulatorRow(CommandRun& run) {
    if (!CheckChipName(run.options.flashChip, emu::NorChipModels(), IDS_CLI_UNKNOWN_FLASH_CHIP,
                       run.streams.err) ||
        !CheckChipName(run.options.spiChip, emu::SpiChipModels(), IDS_CLI_UNKNOWN_SPI_CHIP,
                       run.streams.err)) {
        return kExitNothing;
    }
    return RunEmulatorCommand(run.options, run.streams);
}

int RunFirmwareRow(CommandRun& run) {
    return RunFirmwareCommand(run.options, run.streams);
}

}  // namespace rf
