#pragma once

// The commands of the terminal front end. Each returns the exit status:
// 0 done, 1 a failure was reported, 2 nothing was done.

#include <iosfwd>
#include <string>

#include "app/Types.h"

namespace rf {

class IDeviceSystem;
class CDialogSession;
struct CliOptions;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNothing = 2;

struct CommandStreams {
    std::ostream& out;  // results (and JSON)
    std::ostream& err;  // errors, and in JSON mode everything else
    std::ostream& log;  // stage texts and progress
};

int ListDrives(IDeviceSystem& system, const CliOptions& options, CommandStreams& streams);
int ShowInfo(CDialogSession& session, const CliOptions& options, CommandStreams& streams);
int RunUpdateCommand(CDialogSession& session, const CliOptions& options, CommandStreams& streams, bool bTerminal);
int RunBackup(CDialogSession& session, const std::string& strDirectory, CommandStreams& streams);

class CMainDlg;
// Loads the --load files into the dialog's images as drops would; false
// (with a message) when one cannot be loaded.
bool LoadRequestedFiles(CMainDlg& dialog, const CliOptions& options, std::ostream& err);

// When no enclosure was found: names every drive that could be one but
// cannot be opened, and says how to get access to it.
void ReportDrivesWithoutAccess(IDeviceSystem& system, std::ostream& err);

// How long the device search may take before a command gives up.
inline constexpr unsigned kSearchMilliseconds = 10'000;

}  // namespace rf
