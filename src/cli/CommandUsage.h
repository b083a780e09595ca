#pragma once

// The usage of one command, "help COMMAND" or "COMMAND --help": its line
// of the program's usage and the lines of the options it takes, so that
// it says what the whole usage says, in the same language.

#include <iosfwd>

namespace rf {

struct CliCommand;

void PrintCommandUsage(const CliCommand& command, std::ostream& out);

}  // namespace rf
