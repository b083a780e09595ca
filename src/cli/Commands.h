#pragma once

// The commands of the terminal front end. Each returns the exit status:
// 0 done, 1 a failure was reported, 2 nothing was done.

#include <array>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "base/ExitStatus.h"
#include "base/Types.h"
#include "device/DevicePort.h"

namespace rf {

namespace emu {
struct BusProfile;
}
class IDeviceSystem;
class CFirmwareUpdate;
class CJsonReply;
class CProgressCtrl;
class CRomObject;
struct CliOptions;
struct ReadFault;
enum class ReadFaultKind;

// The commands as a table: the front end accepts exactly these, each with
// the options and operands its row names, and the help, the manual page and
// the shell completion are checked against it.
struct CommandRun;
struct CliCommand {
    const char16_t* pszWord;
    const char16_t* pszSubcommand;  // null: the command has none
    // The operands after the command words, as the help names them; an
    // optional one in brackets ("[PATH]").
    const char16_t* pszOperands;
    // The options it takes besides those every command takes; a command
    // that works on drives also takes those that choose and watch them.
    std::span<const char16_t* const> options;
    bool bDrives;  // works on drives: the run's clock, session and trace are set up first
    int (*pfnRun)(CommandRun& run);
};
std::span<const CliCommand> CliCommands();
// The command the words name (command first, its operands after it), or
// null.
const CliCommand* FindCommand(const std::vector<std::u16string>& words);
// The command's words and operands, "firmware pack OUT.cab DIR".
std::u16string CommandSynopsis(const CliCommand& command);
// True when the command takes the option ("--json").
bool TakesOption(const CliCommand& command, const std::u16string& option);

class CJsonReply;
struct CommandStreams {
    std::ostream& out;             // results for people (the error stream in JSON mode)
    std::ostream& err;             // errors, and in JSON mode everything else
    std::ostream& log;             // stage texts and progress
    CJsonReply* pReply = nullptr;  // where the JSON document goes; null: to out
};

int ListDrives(IDeviceSystem& system, const CliOptions& options, CommandStreams& streams);
int ShowInfo(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams);
// Saves the emulated enclosure's state; false (with its message printed)
// when it could not be saved.
using StateSaver = std::function<bool()>;
// pMessage, when given, receives the result's message id (IDS_JSON_DECLINED
// when a question was answered no, 0 when nothing was done otherwise).
// saveState, when given, runs once an update has run and before its result
// is printed.
int RunUpdateCommand(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams,
                     bool bTerminal, UINT* pMessage = nullptr, const StateSaver& saveState = {});
// Reads the unit as an update does and tells what the update would write
// and how long it would take; writes nothing.
int RunPlanCommand(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams);
int RunBackup(CFirmwareUpdate& update, const CliOptions& options, const std::string& strDirectory,
              CommandStreams& streams);
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
// What the search for the enclosure to work on found.
struct UnitSearch {
    bool bFound = false;  // the unit is open in the update's device
    // Without --device: every other supported enclosure attached.
    std::vector<PhysicalDrive> others;
};
// Searches once a second for at most kSearchMilliseconds for the enclosure
// --device names, or without it for the first supported one (and then for
// any other attached). Reads nothing of the unit; false in bFound, with the
// message and the drives that could not be opened, when none was found.
UnitSearch SearchUnit(CFirmwareUpdate& update, const CliOptions& options, std::ostream& err);
// Reads the unit the search opened and selects what is newer; false with
// the message when it went away.
bool ReadFoundUnit(CFirmwareUpdate& update, CProgressCtrl* pProgress, std::ostream& err);
// The search and the read of a command that works on one unit. With several
// supported enclosures attached and none named it does nothing to any of
// them and lists them (drive, serial number, versions), with how to choose.
// False when there is no unit to work on.
bool FindAndReadUnit(CFirmwareUpdate& update, CProgressCtrl* pProgress, std::ostream& err,
                     const CliOptions& options);
// Names the open unit and the others (drive, serial number, versions) and
// how to choose among them. Reads their versions, changes nothing.
void ReportSeveralUnits(CFirmwareUpdate& update, const std::vector<PhysicalDrive>& others,
                        std::ostream& err);
// The product version of the unit's memories (bDevice) or of the images.
std::u16string ProductVersionOf(CFirmwareUpdate& update, bool bDevice);
// The listed name of the drive at the path ("/dev/sdb"), the path itself
// when the drive is no longer listed.
std::u16string DriveNameOf(IDeviceSystem& system, const std::u16string& path);

// The memories as the terminal names them: the key in JSON, the name in
// tables, in the order they are read and shown.
struct MemoryRow {
    const char* pszKey;
    UINT nName;
    CRomObject& rom;
    bool bWritable;
};
std::array<MemoryRow, 5> MemoryRows(CFirmwareUpdate& update);

// The link's description in the user's language.
std::u16string LinkDescription(const emu::BusProfile& bus);
// The message the terminal shows for a message id of the update: the same
// id, or the terminal's own wording where the window's speaks of itself.
UINT TerminalTextId(UINT nMessageId);
// A memory's versions as table cells: "not carried", "not read" rather
// than the window's sentences.
std::u16string ImageVersionCell(const CRomObject& rom);
std::u16string DeviceVersionCell(const CRomObject& rom);

// How a read went wrong, with its offset, for a message; empty for none.
std::u16string DescribeReadFault(const ReadFault& fault);
// The kind of a read fault in JSON: "refused", "short"...
const char* ReadFaultKey(ReadFaultKind kind);

// When no enclosure was found: names every drive that could be one but
// cannot be opened, and says how to get access to it.
void ReportDrivesWithoutAccess(IDeviceSystem& system, bool bAllProducts, std::ostream& err);

// How long the device search may take before a command gives up.
inline constexpr unsigned kSearchMilliseconds = 10'000;

}  // namespace rf
