#include "cli/Commands.h"

namespace rf {

namespace {

constexpr CliCommand kCommands[] = {
    {u"list", nullptr, 0},       {u"info", nullptr, 0},
    {u"update", nullptr, 0},     {u"backup", nullptr, 2},  // backup DIR
    {u"emulator", u"reset", 2},  {u"emulator", u"show", 2},
    {u"firmware", u"export", 3},                             // firmware export DIR
    {u"firmware", u"pack", 4},                               // firmware pack OUT.cab DIR
    {u"firmware", u"show", 2},   {u"firmware", u"show", 3},  // firmware show [PATH]
};

}  // namespace

std::span<const CliCommand> CliCommands() {
    return kCommands;
}

bool IsKnownCommand(const std::vector<std::u16string>& words) {
    if (words.empty()) {
        return false;
    }
    for (const CliCommand& command : kCommands) {
        if (words[0] != command.pszWord) {
            continue;
        }
        if (command.pszSubcommand != nullptr &&
            (words.size() < 2 || words[1] != command.pszSubcommand)) {
            continue;
        }
        if (command.nWords == 0 || words.size() == command.nWords) {
            return true;
        }
    }
    return false;
}

}  // namespace rf
