#pragma once

// The terminal front end's own options ("--name" or "--name=value"); every
// other argument goes on to the updater's option parser.

#include <optional>
#include <string>
#include <vector>

#include "update/UpdateOptions.h"

namespace rf {

// An option as it was written, the value separated from its name; what
// "update --all" hands on to its workers is rebuilt from these.
struct GivenOption {
    std::u16string name;  // "--emulate"
    std::optional<std::u16string> value;
};

struct CliOptions {
    bool bVersion = false;
    bool bHelp = false;
    bool bJson = false;
    bool bYes = false;
    bool bVendor = false;
    bool bStats = false;
    bool bRealtime = false;
    bool bPlan = false;                   // update: tell what it would do, writing nothing
    bool bAsRealUnit = false;             // emulator reset: an enclosure without the emulated mark
    bool bAll = false;                    // update: every attached enclosure at once
    std::optional<std::string> firmware;  // --firmware PATH: a firmware package
    std::optional<std::string> emulateDirectory;
    std::vector<std::string> faults;                            // --emulate-fault [UNIT:]KIND:N
    std::vector<std::pair<std::string, std::u16string>> loads;  // --load KIND=FILE
    std::optional<std::u16string> traceFile;
    std::optional<std::string>
        clockFile;  // --clock FILE: a virtual clock shared with other processes
    std::optional<std::string> preset;
    std::optional<std::string> flashChip;
    std::optional<std::string> spiChip;
    std::optional<std::string> link;          // --link PROFILE of the emulated enclosure
    std::optional<std::string> units;         // emulator reset --units N
    std::optional<std::u16string> device;     // --device NAME: the drive or serial number
    std::optional<std::string> broker;        // --broker PATH: every drive through that broker
    std::optional<std::string> complete;      // --complete WHAT: words for shell completion
    std::optional<std::string> fromBackup;    // emulator reset: a twin of the unit backed up there
    bool bRehearse = false;                   // update: on a twin made on the spot, not the unit
    std::vector<std::u16string> words;        // command and its operands
    std::vector<std::u16string> updaterArgs;  // for the updater's own option parser
    std::vector<GivenOption> given;           // every long option, in order
    // What the updater's options say, once they were parsed at start-up.
    UpdateOptions updater;
};

struct CliOptionError {
    std::u16string argument;
    bool bMissingValue = false;
    // The string id of what is wrong when it is more than an unknown
    // option or a missing value; 0 otherwise.
    unsigned nMessage = 0;
};

// What "update --all" does with an option: hands it to every worker, uses
// it itself (--trace names the directory of the workers' traces), or
// refuses it. Every option says, so that a new one cannot be dropped on
// its way to the workers.
enum class WithAll { Forward, Parent, Refuse };

// An option as the parser knows it. The help text, the manual page and
// the shell completion are checked against this list, so an option added
// to the parser cannot go undocumented.
struct CliOptionName {
    std::u16string name;  // "--json"
    bool bTakesValue;     // "--name VALUE" or "--name=VALUE"
    bool bValueOptional;  // the value only as "--name=VALUE"
    WithAll withAll;
};
std::vector<CliOptionName> CliOptionNames();

// nullopt on success, else the argument that was wrong.
std::optional<CliOptionError> ParseCliOptions(const std::vector<std::u16string>& args,
                                              CliOptions& options,
                                              const std::string& strDefaultEmulateDirectory);

}  // namespace rf
