#pragma once

// Power lost at every command of a whole update, and what it leaves behind.
//
// One clean update is run first to learn the commands of the run and what
// every memory holds before and after it. Then the same update runs again;
// at each chosen command the process forks, and the child cuts the power at
// that command (or part of the way into its own work), lets the interrupted
// update end, brings the enclosure back as after a replug, and judges every
// memory: old contents under their valid mark, new contents under theirs, or
// a mark that says "invalid"; anything else is a silent corruption. Then a
// second update must end with message 140 or 155 and leave every memory
// holding the carried image.
//
// Cuts that leave the same enclosure need the same second update: children
// share, through memory mapped before the forks, which states were already
// repaired. A bridge in ROM mode counts as the same state whatever its FLASH
// holds past the first 256 bytes, because the ROM path erases a block before
// it reads it; each such repair is checked once more from a FLASH filled
// with noise, which would end differently if that were not so.
//
// RunEveryCommand reaches the same figures without a fork per cut (see
// EveryCommand.cpp); it is the one fast enough for every command of every
// scenario.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/DevicePort.h"
#include "emulator/EmulatedEnclosure.h"

namespace rf::test {

struct PowerLossScenario {
    const char* pszName;
    const char* pszPreset;
    const char* pszFlashChip;  // empty: the preset's own
    const char* pszLink = "";  // empty: the preset's own
    // Rows outside the catalogue run only when named: they prove that the
    // harness catches what it must.
    bool bCatalogue = true;
    // Changes every command before the enclosure sees it, and its answer
    // after; null: none.
    void (*pfnBefore)(ScsiRequest& request) = nullptr;
    void (*pfnAfter)(const ScsiRequest& request) = nullptr;
};

// The whole update from the oldest shipped firmware (the bridge programs
// itself), and a bridge without firmware with each FLASH algorithm.
const std::vector<PowerLossScenario>& PowerLossScenarios();

// A fresh enclosure of the scenario, on its link, without a trace; null
// when the preset, chip or link is unknown.
std::shared_ptr<emu::CEmulatedEnclosure> FreshEnclosure(const PowerLossScenario& scenario);

struct PowerLossPlan {
    // 0: every command of the run; else about this many, evenly spread.
    std::uint64_t nCommandSample = 0;
    // Cuts into commands that work for long (the bridge programming its own
    // image): one every this many microseconds of the command's work
    // (0: about nLongCutSample of them, evenly spread).
    std::uint64_t nLongCutStride = 7;
    std::uint64_t nLongCutSample = 0;
    // Only the commands from nFirstCommand to nLastCommand (both counted
    // from the start of the update run); 0 and 0: the whole run.
    std::uint64_t nFirstCommand = 0;
    std::uint64_t nLastCommand = 0;
    // Those two count from the first command the scenario's rewriting
    // changed instead (RunEveryCommand only).
    bool bFromBreak = false;
    // Only this many commands of the run, drawn at random from the seed and
    // the scenario's name (0: every command the other fields leave).
    std::uint64_t nRandomCommands = 0;
    std::uint64_t nSeed = 0;
    // Children at work at once.
    int nJobs = 1;
    // Of the cuts at one place of the program, besides the first three,
    // every this many also runs the interrupted update on to its end.
    std::uint64_t nContinuationCheckStride = 1'000;
    // Described states of the first problems found.
    std::size_t nProblemsShown = 10;
};

struct PowerLossFigures {
    std::uint64_t nRuns = 0;  // updates run: the clean one, the interrupted ones, the repairs
    std::uint64_t nFaultPoints = 0;
    std::uint64_t nSilentCorruptions = 0;
    std::uint64_t nFailedRecoveries = 0;
    std::uint64_t nFalseSuccesses = 0;  // an interrupted update that said it was complete
    std::uint64_t nRepairRuns = 0;      // second updates actually run
    std::uint64_t nDistinctStates = 0;
    std::uint64_t nInfoBlocksLost = 0;  // the front panel's own name gone with its erased flash
    std::uint64_t nHarnessErrors = 0;   // a child that died, a run that did not end
    std::uint64_t nContinuations = 0;   // interrupted updates run on to their end
    std::uint64_t nWallMilliseconds = 0;
    std::vector<std::string> problems;

    void Add(const PowerLossFigures& other);
    // "runs N, fault points N, silent corruptions N, failed recoveries N"
    std::string Line() const;
    // The other counts, one line.
    std::string Details() const;
    // Every count with the rate, one line.
    std::string Figures() const;
};

// The commands (counted from the start of the update run) a plan's random
// draw picks from a run of nCommands, in order; empty when it draws none.
std::vector<std::uint64_t> DrawCommands(const PowerLossScenario& scenario,
                                        const PowerLossPlan& plan, std::uint64_t nCommands);

// Forks at every cut and runs the rest of the update and the repair there.
PowerLossFigures RunPowerLoss(const PowerLossScenario& scenario, const PowerLossPlan& plan);
// Takes every cut's state from one run and repairs each class of states once.
PowerLossFigures RunEveryCommand(const PowerLossScenario& scenario, const PowerLossPlan& plan);

}  // namespace rf::test
