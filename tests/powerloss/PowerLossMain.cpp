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
//                                           harness reports a fault (a copy of the
//                                           program that breaks one of its rules)
//   --after-break                           with it: --commands counts from the first
//                                           command the scenario's rewriting changed
//   --agree SCENARIO --commands FIRST-LAST  both harnesses over the same cuts: succeed
//                                           only when they count the same
//   --agree [SCENARIO] --random N [--seed S]
//                                           the same over N commands of each run (of
//                                           every catalogue scenario unless one is
//                                           named) drawn from the seed; the seed is
//                                           printed, a new one each time unless given
//
// The last line gives the figures; the exit status is 0 only when nothing
// was silently corrupted and everything was repaired.

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
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
                 "[SCENARIO] [--expect-caught [--after-break]] [--jobs N] [--commands FIRST-LAST]\n"
                 "       reflasher_powerloss --agree [SCENARIO] (--commands FIRST-LAST | --random "
                 "N [--seed S]) [--jobs N]\nscenarios:";
    for (const PowerLossScenario& scenario : rf::test::PowerLossScenarios()) {
        std::cerr << ' ' << scenario.pszName;
    }
    std::cerr << '\n';
    return 2;
}

// A drawn cut into a command that works for long (the bridge programming
// its own image) stands for this many cuts along its work.
constexpr std::uint64_t kAgreeLongCuts = 8;

// The fast harness against the forked one, cut for cut over the same cuts:
// every count that judges the program must be the same.
bool Agree(const PowerLossScenario& scenario, const PowerLossPlan& plan) {
    const PowerLossFigures forked = rf::test::RunPowerLoss(scenario, plan);
    const PowerLossFigures fast = rf::test::RunEveryCommand(scenario, plan);
    std::cout << scenario.pszName << "\n  forked: " << forked.Figures()
              << "\n  fast:   " << fast.Figures() << std::endl;
    const bool bSame = forked.nFaultPoints == fast.nFaultPoints &&
                       forked.nSilentCorruptions == fast.nSilentCorruptions &&
                       forked.nFailedRecoveries == fast.nFailedRecoveries &&
                       forked.nFalseSuccesses == fast.nFalseSuccesses &&
                       forked.nInfoBlocksLost == fast.nInfoBlocksLost;
    const bool bClean = forked.nHarnessErrors == 0 && fast.nHarnessErrors == 0;
    if (!bSame || !bClean) {
        for (const std::string& strProblem : forked.problems) {
            std::cout << "  forked: " << strProblem << '\n';
        }
        for (const std::string& strProblem : fast.problems) {
            std::cout << "  fast: " << strProblem << '\n';
        }
        std::cout << "  " << (bSame ? "harness errors" : "the harnesses disagree") << std::endl;
    }
    return bSame && bClean;
}

int AgreeOver(const std::string& strScenario, PowerLossPlan plan, bool bSeedGiven) {
    if (plan.nRandomCommands != 0) {
        if (!bSeedGiven) {
            std::random_device device;
            plan.nSeed = std::uint64_t{device()} << 32 | device();
        }
        plan.nLongCutSample = kAgreeLongCuts;
        std::cout << "seed " << plan.nSeed << " (again: --agree"
                  << (strScenario.empty() ? "" : " " + strScenario) << " --random "
                  << plan.nRandomCommands << " --seed " << plan.nSeed << ")" << std::endl;
    } else if (plan.nLastCommand == 0 || strScenario.empty()) {
        return Usage();
    }
    bool bAny = false;
    bool bAgreed = true;
    for (const PowerLossScenario& scenario : rf::test::PowerLossScenarios()) {
        if (strScenario.empty() ? !scenario.bCatalogue : strScenario != scenario.pszName) {
            continue;
        }
        bAny = true;
        bAgreed = Agree(scenario, plan) && bAgreed;
    }
    if (!bAny) {
        return Usage();
    }
    return bAgreed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool bFull = false;
    bool bSample = false;
    bool bEvery = false;
    bool bExpectCaught = false;
    bool bAgree = false;
    bool bAfterBreak = false;
    std::string strScenario;
    int nJobs = 0;
    std::uint64_t nFirstCommand = 0;
    std::uint64_t nLastCommand = 0;
    std::uint64_t nRandomCommands = 0;
    std::uint64_t nSeed = 0;
    bool bSeedGiven = false;
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
        } else if (strArg == "--after-break") {
            bAfterBreak = true;
        } else if (strArg == "--random" && i + 1 < argc) {
            nRandomCommands = std::strtoull(argv[++i], nullptr, 10);
        } else if (strArg == "--seed" && i + 1 < argc) {
            nSeed = std::strtoull(argv[++i], nullptr, 10);
            bSeedGiven = true;
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
        PowerLossPlan plan;
        plan.nFirstCommand = nFirstCommand;
        plan.nLastCommand = nLastCommand;
        plan.nRandomCommands = nRandomCommands;
        plan.nSeed = nSeed;
        plan.nJobs = std::max(1, nJobs);
        return AgreeOver(strScenario, plan, bSeedGiven);
    }
    if (int{bFull} + int{bSample} + int{bEvery} != 1 || (bSample && strScenario.empty()) ||
        (bExpectCaught && (!bEvery || strScenario.empty())) ||
        (bAfterBreak && (!bExpectCaught || nLastCommand == 0)) || nRandomCommands != 0 ||
        bSeedGiven) {
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
        plan.bFromBreak = bAfterBreak;
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
        // The broken rule must show in a fault column (a memory corrupted
        // under its valid mark, a unit the next update cannot repair, a name
        // lost), and the harness must have run cleanly otherwise.
        const bool bCaught = total.nSilentCorruptions > 0 || total.nFailedRecoveries > 0 ||
                             total.nFalseSuccesses > 0 || total.nInfoBlocksLost > 0;
        return bCaught && total.nHarnessErrors == 0 ? 0 : 1;
    }
    const bool bClean = total.nSilentCorruptions == 0 && total.nFailedRecoveries == 0 &&
                        total.nFalseSuccesses == 0 && total.nInfoBlocksLost == 0 &&
                        total.nHarnessErrors == 0;
    return bClean ? 0 : 1;
}
