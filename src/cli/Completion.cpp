#include "cli/Completion.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "base/CommandLine.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "device/DevicePort.h"
#include "device/ScsiDevice.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/BusProfile.h"
#include "emulator/FaultPlan.h"
#include "emulator/NorFlashChip.h"
#include "emulator/SpiFlashModel.h"
#include "session/CliOptions.h"
#include "update/UnitChoice.h"

namespace rf {

namespace {

std::vector<std::string> Commands() {
    std::vector<std::string> words;
    for (const CliCommand& command : CliCommands()) {
        const std::string word = Utf16ToUtf8(command.pszWord);
        if (std::find(words.begin(), words.end(), word) == words.end()) {
            words.push_back(word);
        }
    }
    return words;
}

std::vector<std::string> Options() {
    std::vector<std::string> words;
    for (const CliOptionName& option : CliOptionNames()) {
        const std::string name = Utf16ToUtf8(option.name);
        words.push_back(option.bValueOptional ? name + "=" : name);
        if (option.bValueOptional) {
            words.push_back(name);
        }
    }
    return words;
}

// The options whose value may be the next argument, so that the script
// knows that argument is no command.
std::vector<std::string> ValueOptions() {
    std::vector<std::string> words;
    for (const CliOptionName& option : CliOptionNames()) {
        if (option.bTakesValue && !option.bValueOptional) {
            words.push_back(Utf16ToUtf8(option.name));
        }
    }
    return words;
}

// The updater's options take "-" or "/" before them, as on Windows.
std::vector<std::string> UpdaterOptions(const char* pszLead) {
    std::vector<std::string> words;
    for (const std::string& keyword : UpdaterOptionKeywords()) {
        words.push_back(pszLead + keyword);
    }
    return words;
}

// What --device takes: each drive's name, and the serial number of each
// supported enclosure among them. Only supported enclosures are sent more
// than the identification, and only the read of their serial number.
std::vector<std::string> Devices(IDeviceSystem& system) {
    std::vector<std::string> words;
    for (const PhysicalDrive& drive : system.ListPhysicalDrives()) {
        words.push_back(Utf16ToUtf8(drive.strName));
        CScsiDevice device(system);
        device.m_strPath = drive.strPath;
        if (device.Open(drive.strPath.c_str())) {
            if (const std::u16string serial = ReadSerialNumber(device); !serial.empty()) {
                words.push_back(Utf16ToUtf8(serial));
            }
        }
        device.Close();
    }
    return words;
}

// The names of a table's rows, in the table's order.
template <typename Table>
std::vector<std::string> NamesOf(const Table& table) {
    std::vector<std::string> words;
    for (const auto& row : table) {
        words.emplace_back(row.pszName);
    }
    return words;
}

// "KIND:" without the command number, which only the person knows.
std::vector<std::string> Faults() {
    std::vector<std::string> words;
    for (const std::string& name : emu::FaultKindNames()) {
        words.push_back(name + ":");
    }
    return words;
}

std::vector<std::string> Subcommands(std::string_view command) {
    std::vector<std::string> words;
    for (const CliCommand& entry : CliCommands()) {
        if (entry.pszSubcommand == nullptr || Utf16ToUtf8(entry.pszWord) != command) {
            continue;
        }
        // A sub-command may have several rows, one per number of operands.
        const std::string word = Utf16ToUtf8(entry.pszSubcommand);
        if (std::find(words.begin(), words.end(), word) == words.end()) {
            words.push_back(word);
        }
    }
    return words;
}

}  // namespace

bool PrintCompletions(std::string_view what, IDeviceSystem& system, std::ostream& out) {
    struct List {
        std::string_view name;
        std::function<std::vector<std::string>()> words;
    };
    const List lists[] = {
        {"commands", Commands},
        {"options", Options},
        {"value-options", ValueOptions},
        {"updater-options", [] { return UpdaterOptions("-"); }},
        {"updater-slash-options", [] { return UpdaterOptions("/"); }},
        {"presets", [] { return NamesOf(EmulatorPresets()); }},
        {"links", [] { return NamesOf(emu::BusProfiles()); }},
        {"flash-chips", [] { return NamesOf(emu::NorChipModels()); }},
        {"spi-chips", [] { return NamesOf(emu::SpiChipModels()); }},
        {"faults", Faults},
        // The drives' names only: nothing is opened and no command is sent
        // while someone presses Tab.
        {"drives",
         [&system] {
             std::vector<std::string> words;
             for (const PhysicalDrive& drive : system.ListPhysicalDrives()) {
                 words.push_back(Utf16ToUtf8(drive.strName));
             }
             return words;
         }},
        {"devices", [&system] { return Devices(system); }},
    };
    std::vector<std::string> words;
    const auto it = std::find_if(std::begin(lists), std::end(lists),
                                 [&](const List& list) { return list.name == what; });
    if (it != std::end(lists)) {
        words = it->words();
    } else {
        words = Subcommands(what);
        if (words.empty()) {
            return false;
        }
    }
    for (const std::string& word : words) {
        out << word << '\n';
    }
    return true;
}

}  // namespace rf
