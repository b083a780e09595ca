#pragma once

// The terminal front end as a function over its arguments and streams, so
// that tests run it in-process and read what it printed.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace rf {

class IDeviceSystem;

struct CliContext {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool bInteractive;             // a person can answer questions on the terminal
    IDeviceSystem& system;         // the computer's drives
    bool bTerminalOutput = false;  // the output is a terminal: progress is drawn in place
    // The program that "update --all" starts once per unit; empty: this one.
    std::filesystem::path selfProgram;
    // The broker's socket, tried for the drives the program may not open
    // itself; empty: none.
    std::string strFallbackBroker;
};

// args excludes the program name. Returns the exit status.
int RunCli(const std::vector<std::u16string>& args, CliContext& context);

}  // namespace rf
