#pragma once

// The terminal front end run in-process over a sysfs tree made by the test,
// in English, with its exit status and what it printed.

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "device/os/linux/LinuxDeviceSystem.h"
#include "device/os/linux/SysfsDirectoryTree.h"
#include "support/FakeSysfs.h"
#include "support/TestEnvironment.h"

namespace rf::test {

struct CliRun {
    int nExit;
    std::string strOut;
    std::string strErr;
};

class CCliFixture : public ::testing::Test {
protected:
    CliRun Run(const std::vector<std::u16string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        std::istringstream in;
        const CSysfsDirectoryTree tree(sysfs.Root());
        CLinuxVolumeSystemCalls volumeCalls;
        // No drive of the tree can be opened for real: SG_IO always fails.
        CLinuxDeviceSystem system(tree, volumeCalls, [](int, unsigned long, void*) { return -1; });
        CliContext context{out, err, in, false, system};
        const int nExit = RunCli(args, context);
        return CliRun{nExit, out.str(), err.str()};
    }

    CTestEnvironment env;
    CScopedEnv language{"LANGUAGE", std::nullopt};
    CScopedEnv all{"LC_ALL", std::nullopt};
    CScopedEnv messages{"LC_MESSAGES", std::nullopt};
    CScopedEnv lang{"LANG", "C.UTF-8"};
    CFakeSysfs sysfs;
};

}  // namespace rf::test
