#pragma once

// The commands of the terminal front end. Each returns the exit status:
// 0 done, 1 a failure was reported, 2 nothing was done.

#include <iosfwd>
#include <string>

#include "app/Types.h"
#include "session/ExitStatus.h"

namespace rf {

namespace emu {
struct BusProfile;
}
class IDeviceSystem;
class CFirmwareUpdate;
class CProgressCtrl;
struct CliOptions;
struct ReadFault;
enum class ReadFaultKind;

struct CommandStreams {
    std::ostream& out;  // results (and JSON)
    std::ostream& err;  // errors, and in JSON mode everything else
    std::ostream& log;  // stage texts and progress
};

int ListDrives(IDeviceSystem& system, const CliOptions& options, CommandStreams& streams);
int ShowInfo(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams);
// pMessage, when given, receives the result's message id (0: nothing done).
int RunUpdateCommand(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams,
                     bool bTerminal, UINT* pMessage = nullptr);
int RunBackup(CFirmwareUpdate& update, const std::string& strDirectory, CommandStreams& streams);
// "emulator reset" (from a preset or a backup) and "emulator show".
int RunEmulatorCommand(const CliOptions& options, CommandStreams& streams);
// "update --rehearse": the update run on a twin of the unit, never on the unit.
int RehearseUpdate(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams,
                   bool bTerminal);

// How the emulated enclosure is attached, with the figures its time is
// modelled on, so that device times are read for what they are.
void PrintLink(std::ostream& stream, const emu::BusProfile& bus);

// The images as the window holds them when it opens: the files the options
// name, their version texts, and the --load files loaded as drops would be;
// false (with a message) when one of those cannot be loaded.
bool PrepareImages(CFirmwareUpdate& update, const CliOptions& options, std::ostream& err);
// Searches for the enclosure once a second for at most kSearchMilliseconds,
// then reads it and selects what is newer. False, with the message and the
// drives that could not be opened, when none was found.
bool FindAndReadUnit(CFirmwareUpdate& update, CProgressCtrl* pProgress, std::ostream& err);

// How a read went wrong, with its offset, for a message; empty for none.
std::u16string DescribeReadFault(const ReadFault& fault);
// The kind of a read fault in JSON: "refused", "short"...
const char* ReadFaultKey(ReadFaultKind kind);

// When no enclosure was found: names every drive that could be one but
// cannot be opened, and says how to get access to it.
void ReportDrivesWithoutAccess(IDeviceSystem& system, std::ostream& err);

// How long the device search may take before a command gives up.
inline constexpr unsigned kSearchMilliseconds = 10'000;

}  // namespace rf
