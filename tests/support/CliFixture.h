#pragma once

// The terminal front end run in-process, in English, with its exit status
// and what it printed. The computer's drives it sees are none, unless a
// fixture of an operating system's port gives it some.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "support/TempFiles.h"
#include "support/TestEnvironment.h"

namespace rf::test {

struct CliRun {
    int nExit;
    std::string strOut;
    std::string strErr;
};

class CCliFixture : public ::testing::Test {
protected:
    // workerProgram: what "update --all" starts once per unit.
    CliRun Run(const std::vector<std::u16string>& args, std::filesystem::path workerProgram = {}) {
        std::ostringstream out;
        std::ostringstream err;
        std::istringstream in;
        CliContext context{out, err, in, false, ComputerDrives()};
        context.selfProgram = std::move(workerProgram);
        const int nExit = RunCli(args, context);
        return CliRun{nExit, out.str(), err.str()};
    }

    // What the commands find without --emulate.
    virtual IDeviceSystem& ComputerDrives() { return m_noDrives; }

    CTestEnvironment env;
    CScopedEnv language{"LANGUAGE", std::nullopt};
    CScopedEnv all{"LC_ALL", std::nullopt};
    CScopedEnv messages{"LC_MESSAGES", std::nullopt};
    CScopedEnv lang{"LANG", "C.UTF-8"};
    // Tables are as wide as a terminal that says nothing of its width.
    CScopedEnv columns{"COLUMNS", "80"};
    CTempFiles files;

private:
    emu::CEmulatedDeviceSystem m_noDrives;
};

}  // namespace rf::test
