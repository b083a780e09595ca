#pragma once

// What one command of the terminal front end runs with: its options, its
// streams and, for a command that works on drives, the run set up for it.

#include "cli/CliApp.h"
#include "cli/Commands.h"

namespace rf {

class CDriveRun;

struct CommandRun {
    CliOptions& options;
    CommandStreams& streams;
    CliContext& context;
    CDriveRun* pDrives = nullptr;  // null for a command that works on no drive
};

// The rows of the command table run these.
int RunListRow(CommandRun& run);
int RunInfoRow(CommandRun& run);
int RunUpdateRow(CommandRun& run);
int RunBackupRow(CommandRun& run);
int RunEmulatorRow(CommandRun& run);
int RunFirmwareRow(CommandRun& run);

}  // namespace rf
