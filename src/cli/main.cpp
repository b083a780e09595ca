#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "base/Text.h"
#include "cli/CliApp.h"
#include "device/broker/BrokerWire.h"
#include "device/os/linux/LinuxDeviceSystem.h"
#include "device/os/linux/UdevDeviceTree.h"
#include "framework/Messages.h"

int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(rf::Utf8ToUtf16(argv[i]));
    }
    // Output nobody reads any more must not end an update half-way (a
    // closed pipe, a parent of "update --all" gone): the text is lost, the
    // update goes on to its end.
    ::signal(SIGPIPE, SIG_IGN);
    rf::SetAppName(u"reflasher-cli");
    rf::CUdevDeviceTree tree;
    rf::CLinuxVolumeSystemCalls volumeCalls;
    rf::CLinuxDeviceSystem system(tree, volumeCalls);
    rf::CliContext context{std::cout, std::cerr,
                           std::cin,  ::isatty(STDIN_FILENO) != 0,
                           system,    ::isatty(STDOUT_FILENO) != 0};
    context.strFallbackBroker = rf::kDefaultBrokerSocket;
    return rf::RunCli(args, context);
}
