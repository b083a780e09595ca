#include "cli/Commands.h"

#include "cli/CommandRun.h"

namespace rf {

namespace {

constexpr const char16_t* kListOptions[] = {u"--json"};
constexpr const char16_t* kInfoOptions[] = {u"--json", u"--device", u"--firmware", u"--load"};
constexpr const char16_t* kUpdateOptions[] = {u"--json", u"--device", u"--firmware", u"--load",
                                              u"--plan", u"--link",   u"--rehearse", u"--all"};
constexpr const char16_t* kBackupOptions[] = {u"--json", u"--device"};
constexpr const char16_t* kResetOptions[] = {u"--json",       u"--emulate",      u"--preset",
                                             u"--flash-chip", u"--spi-chip",     u"--link",
                                             u"--units",      u"--as-real-unit", u"--from-backup"};
constexpr const char16_t* kShowOptions[] = {u"--json", u"--emulate"};
constexpr const char16_t* kFirmwareOptions[] = {u"--json"};

constexpr CliCommand kCommands[] = {
    {u"list", nullptr, u"", kListOptions, true, RunListRow},
    {u"info", nullptr, u"", kInfoOptions, true, RunInfoRow},
    {u"update", nullptr, u"", kUpdateOptions, true, RunUpdateRow},
    {u"backup", nullptr, u"DIR", kBackupOptions, true, RunBackupRow},
    {u"emulator", u"reset", u"", kResetOptions, false, RunEmulatorRow},
    {u"emulator", u"show", u"", kShowOptions, false, RunEmulatorRow},
    {u"firmware", u"export", u"DIR", kFirmwareOptions, false, RunFirmwareRow},
    {u"firmware", u"pack", u"OUT.cab DIR", kFirmwareOptions, false, RunFirmwareRow},
    {u"firmware", u"show", u"[PATH]", kFirmwareOptions, false, RunFirmwareRow},
};

}  // namespace

std::span<const CliCommand> CliCommands() {
    return kCommands;
}

const CliCommand* FindCommand(const std::vector<std::u16string>& words) {
    if (words.empty()) {
        return nullptr;
    }
    for (const CliCommand& command : kCommands) {
        if (words[0] == command.pszWord &&
            (command.pszSubcommand == nullptr ||
             (words.size() >= 2 && words[1] == command.pszSubcommand))) {
            return &command;
        }
    }
    return nullptr;
}

std::u16string CommandSynopsis(const CliCommand& command) {
    std::u16string synopsis = command.pszWord;
    if (command.pszSubcommand != nullptr) {
        synopsis += std::u16string(u" ") + command.pszSubcommand;
    }
    if (*command.pszOperands != u'\0') {
        synopsis += std::u16string(u" ") + command.pszOperands;
    }
    return synopsis;
}

bool TakesOption(const CliCommand& command, const std::u16string& option) {
    for (const char16_t* pszOption : command.options) {
        if (option == pszOption) {
            return true;
        }
    }
    return false;
}

}  // namespace rf
