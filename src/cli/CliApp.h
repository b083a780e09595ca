#pragma once

// The terminal front end as a function over its arguments and streams, so
// that tests run it in-process and read what it printed.

#include <iosfwd>
#include <string>
#include <vector>

namespace rf {

class CSysfsTree;

struct CliContext {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool bInteractive;        // a person can answer questions on the terminal
    const CSysfsTree& sysfs;  // where the drives are listed from
};

// args excludes the program name. Returns the exit status.
int RunCli(const std::vector<std::u16string>& args, CliContext& context);

}  // namespace rf
