#include "powerloss/PowerLossHarness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "emulation/EmulatorPresets.h"
#include "powerloss/BrokenRules.h"
#include "powerloss/PowerLossState.h"

namespace rf::test {

namespace {

using namespace powerloss;

struct CutPoint {
    std::uint64_t nIndex;   // command index of the enclosure
    std::uint64_t nOffset;  // microseconds into the command's work; 0: before it
};

// What a child found, in memory shared with the parent.
struct PointOutcome {
    std::uint8_t bDone;
    std::uint8_t bFalseSuccess;
    std::uint8_t bFirstRunHung;
    std::array<Verdict, kMemoryCount> verdicts;
    std::uint32_t nFirstResult;
    std::uint64_t nKey;
};

// One repair per distinct state.
struct RepairSlot {
    std::atomic<std::uint64_t> nKey;
    std::atomic<std::uint32_t> nState;  // 0 free, 1 claimed, 2 done
    std::uint32_t nResult;
    std::uint8_t bRecovered;
    std::uint8_t bInfoBlockLost;
    std::uint8_t bNoiseRun;     // the repair was run again from a FLASH full of noise
    std::uint8_t bNoiseAgrees;  // and ended the same
    std::uint64_t nPoint;
    char szProblem[160];
};

constexpr std::size_t kRepairSlots = 1 << 17;

class CPowerLossRun {
public:
    CPowerLossRun(const PowerLossScenario& scenario, const PowerLossPlan& plan)
        : m_scenario(scenario), m_plan(plan) {}
    ~CPowerLossRun();

    PowerLossFigures Run();

private:
    std::shared_ptr<emu::CEmulatedEnclosure> Fresh() const;
    bool ReferenceRun(PowerLossFigures& figures);
    void ChoosePoints();
    bool IsLongWork(std::uint64_t nIndex) const;
    void MasterRun(PowerLossFigures& figures);
    void ForkAt(std::size_t nPoint, emu::CEmulatedEnclosure& enclosure);
    void ReapOne();
    [[noreturn]] void ChildFinish(std::size_t nPoint, CUpdateBench& bench, UINT nFirstResult);
    RepairSlot* Claim(std::uint64_t nKey, bool& bClaimed);
    RepairSlot* Find(std::uint64_t nKey);
    // The second update from a state; false with a description when it failed.
    bool Repair(const Snapshot& state, UINT& nResult, bool& bInfoBlockLost,
                std::string& strProblem);
    void Tally(PowerLossFigures& figures);
    std::string Describe(std::size_t nPoint) const;

    const PowerLossScenario& m_scenario;
    PowerLossPlan m_plan;
    Snapshot m_before;
    Snapshot m_after;
    std::vector<BYTE> m_infoBlock;
    std::uint64_t m_nFirstIndex = 0;
    std::uint64_t m_nEndIndex = 0;
    // Commands that change something and take time to do it: command
    // index -> microseconds of their own work.
    std::map<std::uint64_t, std::uint64_t> m_work;
    std::map<std::uint64_t, BYTE> m_opcodes;
    std::vector<CutPoint> m_points;
    PointOutcome* m_pOutcomes = nullptr;
    RepairSlot* m_pSlots = nullptr;
    int m_nRunning = 0;
    std::uint64_t m_nChildrenFailed = 0;
    bool m_bChild = false;
    std::unique_ptr<CChildStateDirectory> m_pChildState;
};

CPowerLossRun::~CPowerLossRun() {
    if (m_pOutcomes != nullptr) {
        ::munmap(m_pOutcomes, sizeof(PointOutcome) * std::max<std::size_t>(m_points.size(), 1));
    }
    if (m_pSlots != nullptr) {
        ::munmap(m_pSlots, sizeof(RepairSlot) * kRepairSlots);
    }
}

std::shared_ptr<emu::CEmulatedEnclosure> CPowerLossRun::Fresh() const {
    return FreshEnclosure(m_scenario);
}

bool CPowerLossRun::ReferenceRun(PowerLossFigures& figures) {
    if (Fresh() == nullptr) {
        figures.problems.push_back("no enclosure for the preset");
        return false;
    }
    CUpdateBench bench([this] { return Fresh(); });
    const std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure = bench.enclosure;
    m_before = Capture(*pEnclosure);
    const auto& info = m_before.uiFlash.contents;
    m_infoBlock.assign(info.begin() + kInfoBlockOffset,
                       info.begin() + kInfoBlockOffset + kInfoBlockLength);
    std::uint64_t nLastIndex = 0;
    std::uint64_t nLastWork = 0;
    bool bFirst = true;
    bool bLastWrites = false;
    ResetBrokenRules();
    bench.faults.after = m_scenario.pfnAfter;
    bench.faults.decide = [&](ScsiRequest& request) {
        if (m_scenario.pfnBefore != nullptr) {
            m_scenario.pfnBefore(request);
        }
        const std::uint64_t nIndex = bench.enclosure->NextCommandIndex();
        const std::uint64_t nWork = bench.enclosure->Counters().nWorkMicroseconds;
        if (!bFirst && nWork > nLastWork && bLastWrites) {
            m_work[nLastIndex] = nWork - nLastWork;
        }
        // Reads that wait for an answer change nothing when cut short.
        bLastWrites = request.DataIn == 0;
        m_opcodes[nIndex] = request.Cdb[0];
        bFirst = false;
        nLastIndex = nIndex;
        nLastWork = nWork;
        return FaultAction::Pass;
    };
    m_nFirstIndex = pEnclosure->NextCommandIndex();
    const UINT nResult = bench.Update();
    const std::uint64_t nWork = pEnclosure->Counters().nWorkMicroseconds;
    if (nWork > nLastWork && bLastWrites) {
        m_work[nLastIndex] = nWork - nLastWork;
    }
    m_nEndIndex = pEnclosure->NextCommandIndex();
    ++figures.nRuns;
    if (!IsSuccess(nResult)) {
        figures.problems.push_back("the uninterrupted update ended with message " +
                                   std::to_string(nResult));
        return false;
    }
    pEnclosure->PowerOff();
    m_after = Capture(*pEnclosure);
    return true;
}

bool CPowerLossRun::IsLongWork(std::uint64_t nIndex) const {
    const auto work = m_work.find(nIndex);
    const auto opcode = m_opcodes.find(nIndex);
    return work != m_work.end() && work->second >= kLongWorkMicroseconds &&
           opcode != m_opcodes.end() && opcode->second == kImageProgramOpcode;
}

void CPowerLossRun::ChoosePoints() {
    const std::uint64_t nCommands = m_nEndIndex - m_nFirstIndex;
    const std::uint64_t nSample =
        m_plan.nCommandSample == 0 ? nCommands : std::min(nCommands, m_plan.nCommandSample);
    const std::vector<std::uint64_t> drawn = DrawCommands(m_scenario, m_plan, nCommands);
    auto isDrawn = [&](std::uint64_t nIndex) {
        return m_plan.nRandomCommands == 0 ||
               std::binary_search(drawn.begin(), drawn.end(), nIndex - m_nFirstIndex);
    };
    for (std::uint64_t i = 0; i < nSample; ++i) {
        const std::uint64_t nIndex = m_nFirstIndex + i * nCommands / nSample;
        if (!isDrawn(nIndex)) {
            continue;
        }
        m_points.push_back({nIndex, 0});
        const auto work = m_work.find(nIndex);
        if (work == m_work.end()) {
            continue;
        }
        if (!IsLongWork(nIndex)) {
            m_points.push_back({nIndex, work->second / 2});
        }
    }
    // The bridge programming its own image is cut into along the whole of
    // its work.
    for (const auto& [nIndex, nWork] : m_work) {
        if (!IsLongWork(nIndex) || !isDrawn(nIndex)) {
            continue;
        }
        std::uint64_t nStride = m_plan.nLongCutStride;
        if (m_plan.nLongCutSample != 0) {
            nStride = std::max<std::uint64_t>(1, nWork / m_plan.nLongCutSample);
        }
        for (std::uint64_t nOffset = 1; nOffset < nWork; nOffset += nStride) {
            m_points.push_back({nIndex, nOffset});
        }
    }
    if (m_plan.nLastCommand != 0) {
        std::erase_if(m_points, [this](const CutPoint& point) {
            return point.nIndex < m_nFirstIndex + m_plan.nFirstCommand ||
                   point.nIndex > m_nFirstIndex + m_plan.nLastCommand;
        });
    }
    std::sort(m_points.begin(), m_points.end(), [](const CutPoint& a, const CutPoint& b) {
        return a.nIndex != b.nIndex ? a.nIndex < b.nIndex : a.nOffset < b.nOffset;
    });
}

RepairSlot* CPowerLossRun::Claim(std::uint64_t nKey, bool& bClaimed) {
    bClaimed = false;
    for (std::size_t i = nKey & (kRepairSlots - 1);; i = (i + 1) & (kRepairSlots - 1)) {
        RepairSlot& slot = m_pSlots[i];
        std::uint64_t nExpected = 0;
        if (slot.nKey.compare_exchange_strong(nExpected, nKey)) {
            bClaimed = true;
            return &slot;
        }
        if (nExpected == nKey) {
            return &slot;
        }
    }
}

RepairSlot* CPowerLossRun::Find(std::uint64_t nKey) {
    for (std::size_t i = nKey & (kRepairSlots - 1);; i = (i + 1) & (kRepairSlots - 1)) {
        RepairSlot& slot = m_pSlots[i];
        const std::uint64_t nSlotKey = slot.nKey.load();
        if (nSlotKey == nKey) {
            return &slot;
        }
        if (nSlotKey == 0) {
            return nullptr;
        }
    }
}

bool CPowerLossRun::Repair(const Snapshot& state, UINT& nResult, bool& bInfoBlockLost,
                           std::string& strProblem) {
    const RepairOutcome outcome = powerloss::Repair(state, m_before, m_after, m_infoBlock);
    nResult = outcome.nResult;
    bInfoBlockLost = outcome.bInfoBlockLost;
    strProblem = outcome.strProblem;
    return outcome.bRecovered;
}

void CPowerLossRun::ChildFinish(std::size_t nPoint, CUpdateBench& bench, UINT nFirstResult) {
    PointOutcome& outcome = m_pOutcomes[nPoint];
    outcome.nFirstResult = nFirstResult;
    outcome.bFirstRunHung = nFirstResult == 0xFFFFFFFF;
    bench.enclosure->PowerOff();
    Snapshot state = Capture(*bench.enclosure);
    state.journal = ReadJournal(bench.StateRoot());
    const std::shared_ptr<emu::CEmulatedEnclosure> back = Rebuild(state);
    const bool bRomMode = back->IsRomMode();
    outcome.verdicts = Judge(state, m_before, m_after);
    if (IsSuccess(nFirstResult)) {
        // Only a cut after the last verification may leave a success behind.
        outcome.bFalseSuccess =
            std::any_of(outcome.verdicts.begin(), outcome.verdicts.end(),
                        [](Verdict v) { return v == Verdict::Invalid || v == Verdict::Corrupt; });
    }
    outcome.nKey = RepairKey(state, bRomMode);
    bool bClaimed = false;
    RepairSlot* pSlot = Claim(outcome.nKey, bClaimed);
    if (bClaimed) {
        pSlot->nPoint = nPoint;
        UINT nResult = 0;
        bool bInfoBlockLost = false;
        std::string strProblem;
        const bool bRecovered = Repair(state, nResult, bInfoBlockLost, strProblem);
        pSlot->bNoiseAgrees = 1;
        pSlot->bNoiseRun = bRomMode;
        if (bRomMode) {
            // Nothing of the FLASH past its marks may matter to the repair.
            Snapshot noisy = state;
            std::uint64_t nSeed = outcome.nKey;
            for (std::size_t i = kRomModeReadArea; i < noisy.flash.size(); ++i) {
                nSeed = nSeed * 6364136223846793005ULL + 1442695040888963407ULL;
                noisy.flash[i] = static_cast<BYTE>(nSeed >> 56);
            }
            UINT nNoisyResult = 0;
            bool bNoisyLost = false;
            std::string strNoisy;
            const bool bNoisyRecovered = Repair(noisy, nNoisyResult, bNoisyLost, strNoisy);
            pSlot->bNoiseAgrees = bNoisyRecovered == bRecovered && nNoisyResult == nResult &&
                                  bNoisyLost == bInfoBlockLost;
        }
        pSlot->nResult = nResult;
        pSlot->bRecovered = bRecovered;
        pSlot->bInfoBlockLost = bInfoBlockLost;
        std::snprintf(pSlot->szProblem, sizeof pSlot->szProblem, "%s", strProblem.c_str());
        pSlot->nState.store(2);
    }
    outcome.bDone = 1;
    std::fflush(nullptr);
    m_pChildState.reset();
    ::_exit(0);
}

void CPowerLossRun::ReapOne() {
    int nStatus = 0;
    if (::waitpid(-1, &nStatus, 0) > 0) {
        --m_nRunning;
        if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
            ++m_nChildrenFailed;
        }
    }
}

void CPowerLossRun::MasterRun(PowerLossFigures& figures) {
    CUpdateBench bench([this] { return Fresh(); });
    const std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure = bench.enclosure;
    if (pEnclosure->NextCommandIndex() != m_nFirstIndex) {
        figures.problems.push_back("the update does not start at the same command twice");
        ++figures.nHarnessErrors;
        return;
    }
    std::size_t nNext = 0;
    std::size_t nMine = SIZE_MAX;
    ResetBrokenRules();
    bench.faults.after = m_scenario.pfnAfter;
    bench.faults.decide = [&](ScsiRequest& request) {
        // The interrupted update goes on as the same program.
        if (m_scenario.pfnBefore != nullptr) {
            m_scenario.pfnBefore(request);
        }
        if (m_bChild) {
            return FaultAction::Pass;
        }
        const std::uint64_t nIndex = pEnclosure->NextCommandIndex();
        while (nNext < m_points.size() && m_points[nNext].nIndex == nIndex) {
            const std::size_t nPoint = nNext++;
            if (nPoint % 20'000 == 0 && nPoint != 0) {
                std::fprintf(stderr, "%s: %zu of %zu cuts\n", m_scenario.pszName, nPoint,
                             m_points.size());
            }
            while (m_nRunning >= std::max(1, m_plan.nJobs)) {
                ReapOne();
            }
            std::fflush(nullptr);
            const std::map<std::string, std::vector<BYTE>> journal =
                ReadJournal(CUpdateBench::StateRoot());
            const pid_t nPid = ::fork();
            if (nPid == 0) {
                m_bChild = true;
                m_pChildState = std::make_unique<CChildStateDirectory>(journal);
                nMine = nPoint;
                pEnclosure->AddFault(
                    emu::Fault{nIndex, emu::FaultKind::PowerCut, m_points[nPoint].nOffset});
                return FaultAction::Pass;
            }
            if (nPid < 0) {
                ++m_nChildrenFailed;
            } else {
                ++m_nRunning;
            }
        }
        return FaultAction::Pass;
    };
    const UINT nResult = bench.Update();
    if (m_bChild) {
        ChildFinish(nMine, bench, nResult);
    }
    bench.faults.decide = nullptr;
    bench.faults.after = nullptr;
    while (m_nRunning > 0) {
        ReapOne();
    }
    if (!IsSuccess(nResult) || nNext != m_points.size()) {
        figures.problems.push_back("the update run again without faults went otherwise");
        ++figures.nHarnessErrors;
    }
}

std::string CPowerLossRun::Describe(std::size_t nPoint) const {
    const CutPoint& point = m_points[nPoint];
    const PointOutcome& outcome = m_pOutcomes[nPoint];
    std::ostringstream text;
    text << m_scenario.pszName << ": power cut at command " << point.nIndex - m_nFirstIndex;
    if (point.nOffset != 0) {
        text << " +" << point.nOffset << " us";
    }
    text << " (first update: message " << outcome.nFirstResult << "):";
    for (std::size_t i = 0; i < kMemoryCount; ++i) {
        text << ' ' << kMemoryNames[i] << ' '
             << kVerdictNames[static_cast<int>(outcome.verdicts[i])] << ';';
    }
    return text.str();
}

void CPowerLossRun::Tally(PowerLossFigures& figures) {
    figures.nFaultPoints = m_points.size();
    figures.nRuns += m_points.size();
    figures.nHarnessErrors += m_nChildrenFailed;
    std::map<std::uint64_t, bool> keys;
    auto problem = [&](const std::string& strText) {
        if (figures.problems.size() < m_plan.nProblemsShown) {
            figures.problems.push_back(strText);
        }
    };
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        const PointOutcome& outcome = m_pOutcomes[i];
        if (outcome.bDone == 0) {
            ++figures.nHarnessErrors;
            problem(m_scenario.pszName + std::string(": the child for point ") + std::to_string(i) +
                    " died");
            continue;
        }
        if (outcome.bFirstRunHung) {
            ++figures.nHarnessErrors;
            problem(Describe(i) + " the interrupted update did not end");
        }
        if (std::any_of(outcome.verdicts.begin(), outcome.verdicts.end(),
                        [](Verdict v) { return v == Verdict::Corrupt; })) {
            ++figures.nSilentCorruptions;
            problem(Describe(i) + " silent corruption");
        }
        if (outcome.bFalseSuccess) {
            ++figures.nFalseSuccesses;
            problem(Describe(i) + " reported complete");
        }
        const RepairSlot* pSlot = Find(outcome.nKey);
        const bool bKnown = pSlot != nullptr && pSlot->nState.load() == 2;
        if (!bKnown) {
            ++figures.nHarnessErrors;
            problem(Describe(i) + " no repair was recorded");
            continue;
        }
        if (keys.emplace(outcome.nKey, true).second) {
            ++figures.nRepairRuns;
            figures.nRuns += pSlot->bNoiseRun != 0 ? 2 : 1;
            if (pSlot->bNoiseAgrees == 0) {
                ++figures.nHarnessErrors;
                problem(
                    Describe(i) +
                    " the repair depends on FLASH contents a ROM-mode bridge never reads first");
            }
        }
        if (pSlot->bRecovered == 0) {
            ++figures.nFailedRecoveries;
            problem(Describe(i) + " not repaired: " + pSlot->szProblem);
        }
        if (pSlot->bInfoBlockLost != 0) {
            ++figures.nInfoBlocksLost;
        }
    }
    figures.nDistinctStates = keys.size();
}

PowerLossFigures CPowerLossRun::Run() {
    const auto start = std::chrono::steady_clock::now();
    PowerLossFigures figures;
    if (ReferenceRun(figures)) {
        ChoosePoints();
        m_pOutcomes = MapShared<PointOutcome>(std::max<std::size_t>(m_points.size(), 1));
        m_pSlots = MapShared<RepairSlot>(kRepairSlots);
        if (m_pOutcomes == nullptr || m_pSlots == nullptr) {
            figures.problems.push_back("no shared memory");
            ++figures.nHarnessErrors;
        } else {
            MasterRun(figures);
            Tally(figures);
        }
    } else {
        ++figures.nHarnessErrors;
    }
    figures.nWallMilliseconds =
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count());
    return figures;
}

}  // namespace

const std::vector<PowerLossScenario>& PowerLossScenarios() {
    // Every way an update goes: from the oldest firmware on either link, a
    // front panel without firmware or under a debugger, and a bridge without
    // firmware with each algorithm of the ROM path.
    static const std::vector<PowerLossScenario> scenarios = {
        {"firmware-path", "row1", ""},
        {"usb11", "usb11", ""},
        {"ui-state0", "ui-state0", ""},
        {"debugger", "debugger", ""},
        {"rom-sector-erase", "rom-mode", "SST SST39VF020"},
        {"rom-chip-erase", "rom-mode", "AMD AM29LV010B"},
        {"rom-page-write", "rom-mode", "ATMEL AT29LV010"},
        {"rom-sector-erase-usb2-slow", "rom-mode", "SST SST39VF020", "usb2-slow"},
        {"rom-sector-erase-usb11", "rom-mode", "SST SST39VF020", "usb11"},
        {"rom-chip-erase-usb11", "rom-mode", "AMD AM29LV010B", "usb11"},
        // Copies of the program that break one safety rule each.
        {"broken-host-order", "row1", "", "", false, MarkHostValidFirst, HideEarlyHostMark},
        {"broken-bridge-order-sector", "rom-mode", "SST SST39VF020", "", false,
         ProgramBridgeMagicFirst, ShowBridgeBytesAsProgrammed},
        {"broken-bridge-order-chip", "rom-mode", "AMD AM29LV010B", "", false,
         ProgramBridgeMagicFirst, ShowBridgeBytesAsProgrammed},
        {"broken-resource-order", "row1", "", "", false, WriteResourceMagicFirst,
         HideEarlyResourceMagic},
        {"broken-unjournaled", "row1", "", "", false, ForgetJournalBeforeUiErase, nullptr},
    };
    return scenarios;
}

std::vector<std::uint64_t> DrawCommands(const PowerLossScenario& scenario,
                                        const PowerLossPlan& plan, std::uint64_t nCommands) {
    // The same seed draws the same commands for both harnesses, and on any
    // machine: the generator's output is fixed by the standard, and taken
    // here without a distribution, whose output is not.
    std::vector<std::uint64_t> drawn;
    if (plan.nRandomCommands == 0 || nCommands == 0) {
        return drawn;
    }
    const std::string strName = scenario.pszName;
    std::mt19937_64 random(
        plan.nSeed ^
        HashBytes(kHashSeed, reinterpret_cast<const BYTE*>(strName.data()), strName.size()));
    const std::uint64_t nWanted = std::min(plan.nRandomCommands, nCommands);
    while (drawn.size() < nWanted) {
        const std::uint64_t nCommand = random() % nCommands;
        if (std::find(drawn.begin(), drawn.end(), nCommand) == drawn.end()) {
            drawn.push_back(nCommand);
        }
    }
    std::sort(drawn.begin(), drawn.end());
    return drawn;
}

std::shared_ptr<emu::CEmulatedEnclosure> FreshEnclosure(const PowerLossScenario& scenario) {
    std::string strError;
    std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure =
        MakeEmulatedEnclosure(scenario.pszPreset, scenario.pszFlashChip, "", strError);
    if (pEnclosure != nullptr && *scenario.pszLink != '\0' &&
        !AttachByLink(*pEnclosure, scenario.pszLink, strError)) {
        return nullptr;
    }
    if (pEnclosure != nullptr) {
        pEnclosure->EnableTrace(false);
    }
    return pEnclosure;
}

void PowerLossFigures::Add(const PowerLossFigures& other) {
    nRuns += other.nRuns;
    nFaultPoints += other.nFaultPoints;
    nSilentCorruptions += other.nSilentCorruptions;
    nFailedRecoveries += other.nFailedRecoveries;
    nFalseSuccesses += other.nFalseSuccesses;
    nRepairRuns += other.nRepairRuns;
    nDistinctStates += other.nDistinctStates;
    nInfoBlocksLost += other.nInfoBlocksLost;
    nHarnessErrors += other.nHarnessErrors;
    nContinuations += other.nContinuations;
    nWallMilliseconds += other.nWallMilliseconds;
    problems.insert(problems.end(), other.problems.begin(), other.problems.end());
}

std::string PowerLossFigures::Line() const {
    return "runs " + std::to_string(nRuns) + ", fault points " + std::to_string(nFaultPoints) +
           ", silent corruptions " + std::to_string(nSilentCorruptions) + ", failed recoveries " +
           std::to_string(nFailedRecoveries);
}

std::string PowerLossFigures::Details() const {
    return "distinct states " + std::to_string(nDistinctStates) + ", second updates run " +
           std::to_string(nRepairRuns) + ", interrupted updates reported complete " +
           std::to_string(nFalseSuccesses) + ", front-panel names lost " +
           std::to_string(nInfoBlocksLost) + ", harness errors " + std::to_string(nHarnessErrors) +
           ", " + std::to_string(nWallMilliseconds) + " ms";
}

std::string PowerLossFigures::Figures() const {
    const double fSeconds = static_cast<double>(nWallMilliseconds) / 1000.0;
    const auto nRate =
        fSeconds > 0 ? static_cast<std::uint64_t>(static_cast<double>(nFaultPoints) / fSeconds) : 0;
    return "fault points " + std::to_string(nFaultPoints) + ", distinct states " +
           std::to_string(nDistinctStates) + ", recoveries run " + std::to_string(nRepairRuns) +
           ", silent corruptions " + std::to_string(nSilentCorruptions) + ", failed recoveries " +
           std::to_string(nFailedRecoveries) + ", interrupted updates reported complete " +
           std::to_string(nFalseSuccesses) + ", names lost " + std::to_string(nInfoBlocksLost) +
           ", interrupted updates run on " + std::to_string(nContinuations) + ", harness errors " +
           std::to_string(nHarnessErrors) + ", " + std::to_string(nRate) + " points/s, " +
           std::to_string(nWallMilliseconds / 1000) + "." +
           std::to_string(nWallMilliseconds % 1000 / 100) + " s";
}

PowerLossFigures RunPowerLoss(const PowerLossScenario& scenario, const PowerLossPlan& plan) {
    CPowerLossRun run(scenario, plan);
    return run.Run();
}

}  // namespace rf::test
