// Cuts the power at the commands of whole updates and checks what is left.
//
//   reflasher_powerloss --sample SCENARIO   an even sample, sized for the test suite
//   reflasher_powerloss --full [SCENARIO]   every command of every run (all scenarios
//                                           unless one is named)
//   --jobs N                                children at work at once (default: 1 for
//                                           a sample, the processors for --full)
//   reflasher_powerloss --every [SCENARIO]  every command of every catalogue scenario
//                                           (or of the one named), from one run each:
//                                           fast enough for every CI run
//   --commands FIRST-LAST                   only the cuts at these commands of the run
//                                           (to look again at what a run found)
//   --expect-caught                         with --every SCENARIO: succeed only when the
//                                           harness finds silent corruptions (a
//                                           scenario that breaks the write order)
//   --agree SCENARIO --commands FIRST-LAST  both harnesses over the same cuts: succeed
//                                           only when they count the same
//
// The last line gives the figures; the exit status is 0 only when nothing
// was silently corrupted and everything was repaired.

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

#include "powerloss/PowerLossHarness.h"

namespace {

using rf::test::PowerLossFigures;
using rf::test::PowerLossPlan;
using rf::test::PowerLossScenario;

// About 2,000 cuts over the four sample runs, so that the test suite stays
// within its time.
PowerLossPlan SamplePlan(const PowerLossScenario& scenario) {
    PowerLossPlan plan;
    const bool bSelfProgramming = std::string(scenario.pszPreset) != "rom-mode";
    plan.nCommandSample = bSelfProgramming ? 600 : 400;
    plan.nLongCutSample = bSelfProgramming ? 300 : 50;
    return plan;
}

int Usage() {
    std::cerr << "usage: reflasher_powerloss --sample SCENARIO | --full [SCENARIO] | --every "
                 "[SCENARIO] [--expect-caught] [--jobs N] [--commands FIRST-LAST]\nscenarios:";
    for (const PowerLossScenario& scenario : rf::test::PowerLossScenarios()) {
        std::cerr << ' ' << scenario.pszName;
    }
    std::cerr << '\n';
    return 2;
}

// The fast harness against the forked one, cut for cut over a window of
// the run: every count that judges the program must be the same.
int Agree(const std::string& strScenario, std::uint64_t nFirst, std::uint64_t nLast, int nJobs) {
    const auto& scenarios = rf::test::PowerLossScenarios();
    const auto scenario =
        std::find_if(scenarios.begin(), scenarios.end(),
                     [&](const PowerLossScenario& s) { return strScenario == s.pszName; });
    if (scenario == scenarios.end() || nLast == 0) {
        return Usage();
    }
    PowerLossPlan plan;
    plan.nFirstCommand = nFirst;
    plan.nLastCommand = nLast;
    plan.nJobs = std::max(1, nJobs);
    const PowerLossFigures forked = rf::test::RunPowerLoss(*scenario, plan);
    const PowerLossFigures fast = rf::test::RunEveryCommand(*scenario, plan);
    std::cout << "forked: " << forked.Figures() << "\nfast:   " << fast.Figures() << std::endl;
    const bool bSame = forked.nFaultPoints == fast.nFaultPoints &&
                       forked.nSilentCorruptions == fast.nSilentCorruptions &&
                       forked.nFailedRecoveries == fast.nFailedRecoveries &&
                       forked.nFalseSuccesses == fast.nFalseSuccesses &&
                       forked.nInfoBlocksLost == fast.nInfoBlocksLost;
    return bSame && forked.nHarnessErrors == 0 && fast.nHarnessErrors == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool bFull = false;
    bool bSample = false;
    bool bEvery = false;
    bool bExpectCaught = false;
    bool bAgree = false;
    std::string strScenario;
    int nJobs = 0;
    std::uint64_t nFirstCommand = 0;
    std::uint64_t nLastCommand = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--full") {
            bFull = true;
        } else if (strArg == "--sample") {
            bSample = true;
        } else if (strArg == "--every") {
            bEvery = true;
        } else if (strArg == "--expect-caught") {
            bExpectCaught = true;
        } else if (strArg == "--agree") {
            bAgree = true;
        } else if (strArg == "--jobs" && i + 1 < argc) {
            nJobs = std::atoi(argv[++i]);
        } else if (strArg == "--commands" && i + 1 < argc) {
            char* pEnd = nullptr;
            nFirstCommand = std::strtoull(argv[++i], &pEnd, 10);
            nLastCommand = *pEnd == '-' ? std::strtoull(pEnd + 1, &pEnd, 10) : nFirstCommand;
            if (*pEnd != '\0' || nLastCommand < nFirstCommand) {
                return Usage();
            }
        } else if (strArg.rfind("--", 0) != 0 && strScenario.empty()) {
            strScenario = strArg;
        } else {
            return Usage();
        }
    }
    if (bAgree) {
        return Agree(strScenario, nFirstCommand, nLastCommand, nJobs);
    }
    if (int{bFull} + int{bSample} + int{bEvery} != 1 || (bSample && strScenario.empty()) ||
        (bExpectCaught && (!bEvery || strScenario.empty()))) {
        return Usage();
    }
    PowerLossFigures total;
    bool bAny = false;
    for (const PowerLossScenario& scenario : rf::test::PowerLossScenarios()) {
        if (strScenario.empty() ? !scenario.bCatalogue : strScenario != scenario.pszName) {
            continue;
        }
        bAny = true;
        PowerLossPlan plan = bSample ? SamplePlan(scenario) : PowerLossPlan{};
        plan.nFirstCommand = nFirstCommand;
        plan.nLastCommand = nLastCommand;
        const long nProcessors = ::sysconf(_SC_NPROCESSORS_ONLN);
        plan.nJobs = nJobs > 0 ? nJobs : bSample ? 1 : static_cast<int>(std::max(1L, nProcessors));
        const PowerLossFigures figures = bEvery ? rf::test::RunEveryCommand(scenario, plan)
                                                : rf::test::RunPowerLoss(scenario, plan);
        for (const std::string& strProblem : figures.problems) {
            std::cout << "  " << strProblem << '\n';
        }
        std::cout << scenario.pszName << ": "
                  << (bEvery ? figures.Figures() : figures.Line() + "; " + figures.Details())
                  << std::endl;
        total.Add(figures);
    }
    if (!bAny) {
        return Usage();
    }
    if (bEvery) {
        std::cout << "power loss, every command: " << total.Figures() << std::endl;
    } else {
        std::cout << "power loss, " << (bFull ? "every command" : "sample") << ": "
                  << total.Details() << '\n';
        std::cout << total.Line() << std::endl;
    }
    if (bExpectCaught) {
        // The broken order must show as silent corruption, and the harness
        // must have run cleanly otherwise.
        return total.nSilentCorruptions > 0 && total.nHarnessErrors == 0 ? 0 : 1;
    }
    const bool bClean = total.nSilentCorruptions == 0 && total.nFailedRecoveries == 0 &&
                        total.nFalseSuccesses == 0 && total.nInfoBlocksLost == 0 &&
                        total.nHarnessErrors == 0;
    return bClean ? 0 : 1;
}
