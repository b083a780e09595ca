#pragma once

// The commands of the terminal front end, as a table: the front end
// accepts exactly these, each with the options and operands its row
// names, and the help, the manual page and the shell completion are
// checked against it.

#include <span>
#include <string>
#include <vector>

namespace rf {

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

}  // namespace rf
