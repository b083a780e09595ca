#include "powerloss/PowerLossHarness.h"

#include <sys/mman.h>
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
#include <sstream>

#include "app/StringTable.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "emulator/UiController.h"
#include "firmware/FirmwareImages.h"
#include "session/EmulatorPresets.h"
#include "support/FaultyDeviceSystem.h"
#include "support/UpdateBench.h"

namespace rf::test {

namespace {

constexpr char16_t kDrivePath[] = u"sdb";
// The part of the bridge's FLASH that a bridge in ROM mode may still read
// before the ROM path has erased it: the marks its boot code looks at.
constexpr std::size_t kRomModeReadArea = 0x100;
constexpr std::ptrdiff_t kFlashFirstBlock = 128;
constexpr std::size_t kInfoBlockOffset = 0xA0;
constexpr std::size_t kInfoBlockLength = 16;
constexpr std::size_t kFlashToleratedFirst = 0xD0;
constexpr std::size_t kFlashToleratedLast = 0xD2;
constexpr std::uint64_t kRunLimitMilliseconds = 3'600'000;
// The bridge programs its own image in one command; it is cut into along
// the whole of its work. Other writes that take time (EEPROM cycles, frames
// on the front panel's line) get a single cut half way.
constexpr std::uint64_t kLongWorkMicroseconds = 10'000;
constexpr BYTE kImageProgramOpcode = 0xFE;

enum class Verdict : std::uint8_t { Old, New, Invalid, Corrupt };
constexpr const char* kVerdictNames[] = {"old", "new", "invalid", "CORRUPT"};
enum Memory : std::size_t { kFlash, kHost, kCpu, kUiFlash, kSpi, kMemoryCount };
constexpr const char* kMemoryNames[] = {"bridge FLASH-ROM", "SEEPROM(Host)", "SEEPROM(CPU)",
                                        "UI flash", "UI resource data"};

// Everything an enclosure keeps without power, and what it is made of.
struct Snapshot {
    const emu::NorChipModel* pFlashChip = nullptr;
    const emu::BusProfile* pBus = nullptr;
    std::string strVendor;
    std::string strProduct;
    std::vector<BYTE> flash;
    std::vector<BYTE> host;
    std::vector<BYTE> cpu;
    const emu::SpiChipModel* pSpiChip = nullptr;
    emu::UiControllerSettings settings;
    emu::UiProgramFlash uiFlash;
    std::vector<BYTE> spi;
};

Snapshot Capture(emu::CEmulatedEnclosure& enclosure) {
    Snapshot snapshot;
    snapshot.pFlashChip = &enclosure.Flash().Model();
    snapshot.pBus = &enclosure.Bus();
    snapshot.strVendor = enclosure.Vendor();
    snapshot.strProduct = enclosure.Product();
    snapshot.flash = enclosure.Flash().Contents();
    snapshot.host = enclosure.HostEeprom();
    snapshot.cpu = enclosure.CpuEeprom();
    const emu::CEmulatedUiController* pUi = emu::FittedUiController(enclosure);
    snapshot.pSpiChip = &pUi->SpiFlash().Model();
    snapshot.settings = pUi->Settings();
    snapshot.uiFlash = pUi->ProgramFlash();
    snapshot.spi = pUi->SpiFlash().Contents();
    return snapshot;
}

// The enclosure as it comes back when its power returns.
std::shared_ptr<emu::CEmulatedEnclosure> Rebuild(const Snapshot& snapshot) {
    auto pEnclosure =
        std::make_shared<emu::CEmulatedEnclosure>(*snapshot.pFlashChip, *snapshot.pBus);
    pEnclosure->SetIdentity(snapshot.strVendor, snapshot.strProduct);
    pEnclosure->EnableTrace(false);
    pEnclosure->Flash().SetContents(snapshot.flash);
    pEnclosure->HostEeprom() = snapshot.host;
    pEnclosure->CpuEeprom() = snapshot.cpu;
    emu::CEmulatedUiController& controller =
        emu::FitUiController(*pEnclosure, *snapshot.pSpiChip, snapshot.settings);
    controller.RestoreProgramFlash(snapshot.uiFlash);
    controller.SpiFlash().SetContents(snapshot.spi);
    pEnclosure->PowerOn();
    return pEnclosure;
}

std::uint64_t HashBytes(std::uint64_t nHash, const BYTE* pData, std::size_t nSize) {
    // FNV-1a over 8-byte words; collisions between two states of one run
    // would merge their repairs, and 64 bits make that remote enough.
    std::size_t i = 0;
    for (; i + 8 <= nSize; i += 8) {
        std::uint64_t nWord = 0;
        std::memcpy(&nWord, pData + i, 8);
        nHash = (nHash ^ nWord) * 0x100000001B3ULL;
        nHash ^= nHash >> 29;
    }
    for (; i < nSize; ++i) {
        nHash = (nHash ^ pData[i]) * 0x100000001B3ULL;
    }
    return nHash;
}

// Equal states need the same repair. A bridge in ROM mode is told apart
// only by the marks its boot code reads.
std::uint64_t RepairKey(const Snapshot& snapshot, bool bRomMode) {
    std::uint64_t nHash = 0xCBF29CE484222325ULL;
    const std::size_t nFlash = bRomMode ? kRomModeReadArea : snapshot.flash.size();
    nHash = HashBytes(nHash, snapshot.flash.data(), nFlash);
    nHash = HashBytes(nHash, snapshot.host.data(), snapshot.host.size());
    nHash = HashBytes(nHash, snapshot.cpu.data(), snapshot.cpu.size());
    nHash = HashBytes(nHash, snapshot.uiFlash.contents.data(), snapshot.uiFlash.contents.size());
    const BYTE flags[] = {
        static_cast<BYTE>(snapshot.uiFlash.bValid), static_cast<BYTE>(snapshot.uiFlash.bProgrammed),
        snapshot.uiFlash.security[0], snapshot.uiFlash.security[1], static_cast<BYTE>(bRomMode)};
    nHash = HashBytes(nHash, flags, sizeof flags);
    nHash = HashBytes(nHash, snapshot.spi.data(), snapshot.spi.size());
    return nHash == 0 ? 1 : nHash;
}

bool SameFlash(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && (i < kFlashToleratedFirst || i > kFlashToleratedLast)) {
            return false;
        }
    }
    return true;
}

// How each memory stands after the power came back.
std::array<Verdict, kMemoryCount> Judge(const Snapshot& state, bool bRomMode,
                                        const Snapshot& before, const Snapshot& after) {
    std::array<Verdict, kMemoryCount> verdicts{};
    auto judge = [](bool bMarkValid, bool bOld, bool bNew) {
        return !bMarkValid ? Verdict::Invalid
               : bOld      ? Verdict::Old
               : bNew      ? Verdict::New
                           : Verdict::Corrupt;
    };
    // The bridge's mark is its whole first block: the boot code looks at the
    // signature in it, the updater compares all of it with the image.
    auto firstBlockOf = [&state](const Snapshot& other) {
        return std::equal(state.flash.begin(), state.flash.begin() + kFlashFirstBlock,
                          other.flash.begin());
    };
    const bool bFlashMark = !bRomMode && (firstBlockOf(before) || firstBlockOf(after));
    verdicts[kFlash] = judge(bFlashMark, SameFlash(state.flash, before.flash),
                             SameFlash(state.flash, after.flash));
    const bool bHostMark = state.host[0] == 0xAA && state.host[1] == 0x55;
    verdicts[kHost] = judge(bHostMark, state.host == before.host, state.host == after.host);
    verdicts[kCpu] = state.cpu == before.cpu ? Verdict::Old : Verdict::Corrupt;
    verdicts[kUiFlash] =
        judge(state.uiFlash.bValid, state.uiFlash.contents == before.uiFlash.contents,
              state.uiFlash.contents == after.uiFlash.contents);
    const bool bSpiMark = std::memcmp(state.spi.data(), "RESOURCE", 8) == 0;
    verdicts[kSpi] = judge(bSpiMark, state.spi == before.spi, state.spi == after.spi);
    return verdicts;
}

std::vector<BYTE> Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return std::vector<BYTE>(image.begin(), image.end());
}

// A dialog and an enclosure on their own clock, without a trace, opened at
// once. Any refresh ends the wait for the device, found or not.
class CUpdateBench final : public CUpdateBenchOf<CFaultyDeviceSystem> {
public:
    // The enclosure is made once the bench's clock runs, so that it starts
    // on that clock.
    explicit CUpdateBench(const std::function<std::shared_ptr<emu::CEmulatedEnclosure>()>& make) {
        enclosure = make();
        emulated.Attach(kDrivePath, enclosure);
        Open(5'000);
    }

    // The result message of one update, or 0xFFFFFFFF when it did not end.
    UINT Update() { return CUpdateBenchOf::Update(kRunLimitMilliseconds).value_or(0xFFFFFFFF); }

    void OnDeviceRefreshed(bool) override { bRefreshed = true; }
};

bool IsSuccess(UINT nResult) {
    return nResult == IDS_UPDATE_COMPLETE || nResult == IDS_UPDATE_COMPLETE_POWER_CYCLE;
}

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

template <typename T>
T* MapShared(std::size_t nCount) {
    void* pMemory = ::mmap(nullptr, sizeof(T) * nCount, PROT_READ | PROT_WRITE,
                           MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    return pMemory == MAP_FAILED ? nullptr : static_cast<T*>(pMemory);
}

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
    bool Repair(const Snapshot& state, UINT& nResult, bool& bInfoBlockLost, std::string& strProblem,
                Snapshot* pFinal);
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
    std::string strError;
    std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure =
        MakeEmulatedEnclosure(m_scenario.pszPreset, m_scenario.pszFlashChip, "", strError);
    if (pEnclosure != nullptr) {
        pEnclosure->EnableTrace(false);
    }
    return pEnclosure;
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
    bench.faults.decide = [&](const ScsiRequest& request) {
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
    for (std::uint64_t i = 0; i < nSample; ++i) {
        const std::uint64_t nIndex = m_nFirstIndex + i * nCommands / nSample;
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
        if (!IsLongWork(nIndex)) {
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
                           std::string& strProblem, Snapshot* pFinal) {
    CUpdateBench bench([&state] { return Rebuild(state); });
    // A second update of an enclosure whose marks all say "up to date" asks
    // first; whoever repeats an interrupted update answers Yes.
    bench.env.messageBoxes.answers = {IDYES};
    nResult = bench.Update();
    if (!IsSuccess(nResult)) {
        strProblem = "the second update ended with message " + std::to_string(nResult);
        return false;
    }
    bench.enclosure->PowerOff();
    bench.enclosure->PowerOn();
    Snapshot final = Capture(*bench.enclosure);
    if (pFinal != nullptr) {
        *pFinal = final;
    }
    std::vector<BYTE> bridge = Carried(IDR_BRIDGE_FIRMWARE);
    bridge.resize((bridge.size() + 511) / 512 * 512, 0xFF);
    std::vector<BYTE> held(final.flash.begin(),
                           final.flash.begin() + static_cast<std::ptrdiff_t>(bridge.size()));
    const std::vector<BYTE> host = Carried(IDR_SEEPROM_HOST);
    const std::vector<BYTE> resource = Carried(IDR_UI_RESOURCE);
    std::vector<BYTE> ui = Carried(IDR_UI_FIRMWARE);
    auto begins = [](const std::vector<BYTE>& memory, const std::vector<BYTE>& image) {
        return memory.size() >= image.size() &&
               std::equal(image.begin(), image.end(), memory.begin());
    };
    if (bench.enclosure->IsRomMode() || !SameFlash(held, bridge)) {
        strProblem = "the bridge FLASH-ROM does not hold the carried image";
    } else if (!begins(final.host, host)) {
        strProblem = "SEEPROM(Host) does not hold the carried image";
    } else if (final.cpu != m_before.cpu) {
        strProblem = "SEEPROM(CPU) changed";
    } else if (!begins(final.spi, resource)) {
        strProblem = "the UI resource data is not the carried image";
    } else if (!final.uiFlash.bValid) {
        strProblem = "the UI controller has no valid firmware";
    } else {
        std::vector<BYTE> uiHeld(
            final.uiFlash.contents.begin(),
            final.uiFlash.contents.begin() + static_cast<std::ptrdiff_t>(ui.size()));
        const std::vector<BYTE> info(uiHeld.begin() + kInfoBlockOffset,
                                     uiHeld.begin() + kInfoBlockOffset + kInfoBlockLength);
        bInfoBlockLost = info != m_infoBlock;
        std::copy(info.begin(), info.end(), ui.begin() + kInfoBlockOffset);
        if (uiHeld != ui) {
            strProblem = "the UI firmware is not the carried image";
        }
    }
    return strProblem.empty();
}

void CPowerLossRun::ChildFinish(std::size_t nPoint, CUpdateBench& bench, UINT nFirstResult) {
    PointOutcome& outcome = m_pOutcomes[nPoint];
    outcome.nFirstResult = nFirstResult;
    outcome.bFirstRunHung = nFirstResult == 0xFFFFFFFF;
    bench.enclosure->PowerOff();
    const Snapshot state = Capture(*bench.enclosure);
    const std::shared_ptr<emu::CEmulatedEnclosure> back = Rebuild(state);
    const bool bRomMode = back->IsRomMode();
    outcome.verdicts = Judge(state, bRomMode, m_before, m_after);
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
        Snapshot final;
        const bool bRecovered = Repair(state, nResult, bInfoBlockLost, strProblem, &final);
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
            const bool bNoisyRecovered = Repair(noisy, nNoisyResult, bNoisyLost, strNoisy, nullptr);
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
    bench.faults.decide = [&](const ScsiRequest&) {
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
            const pid_t nPid = ::fork();
            if (nPid == 0) {
                m_bChild = true;
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
    static const std::vector<PowerLossScenario> scenarios = {
        {"firmware-path", "row1", ""},
        {"rom-sector-erase", "rom-mode", "SST SST39VF020"},
        {"rom-chip-erase", "rom-mode", "AMD AM29LV010B"},
        {"rom-page-write", "rom-mode", "ATMEL AT29LV010"},
    };
    return scenarios;
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

PowerLossFigures RunPowerLoss(const PowerLossScenario& scenario, const PowerLossPlan& plan) {
    CPowerLossRun run(scenario, plan);
    return run.Run();
}

}  // namespace rf::test
