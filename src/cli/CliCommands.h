#pragma once

// The commands of the terminal front end, as a table: the front end
// accepts exactly these, and the help, the manual page and the shell
// completion are checked against it.

#include <span>
#include <string>
#include <vector>

namespace rf {

struct CliCommand {
    const char16_t* pszWord;
    const char16_t* pszSubcommand;  // null: the command has none
    std::size_t nWords;             // words the command takes in all; 0: any
};

std::span<const CliCommand> CliCommands();

// True when the command words (command first) name one of the commands.
bool IsKnownCommand(const std::vector<std::u16string>& words);

}  // namespace rf
