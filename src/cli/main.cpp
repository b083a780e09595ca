#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/Messages.h"
#include "app/Text.h"
#include "cli/CliApp.h"
#include "device/os/linux/SysfsTree.h"

int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(rf::Utf8ToUtf16(argv[i]));
    }
    rf::SetAppName(u"reflasher-cli");
    rf::CSysfsTree sysfs;
    rf::CliContext context{std::cout, std::cerr, std::cin, ::isatty(STDIN_FILENO) != 0, sysfs};
    return rf::RunCli(args, context);
}
