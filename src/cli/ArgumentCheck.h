#pragma once

// Every argument of a command line is used or refused: an option the
// command does not take, an operand too many or missing, an option of
// the window that means nothing in the terminal, each is named.

#include <optional>
#include <string>
#include <vector>

#include "base/Types.h"

namespace rf {

struct CliCommand;
struct CliOptions;

struct ArgumentProblem {
    UINT nMessage;            // what is wrong, a string id
    std::u16string argument;  // the argument it is about
};

// Whether the command takes the option, those every command or every
// command on drives takes included.
bool CommandTakes(const CliCommand& command, const std::u16string& option);

// args: the command line as given (for the word that followed
// "--emulate"); nullopt when every argument is taken.
std::optional<ArgumentProblem> CheckArguments(const CliOptions& options, const CliCommand& command,
                                              const std::vector<std::u16string>& args);

// The updater's own options ("/Keyword") that the terminal cannot honour;
// also for commands that check nothing else.
std::optional<ArgumentProblem> CheckUpdaterArguments(const CliOptions& options);

}  // namespace rf
