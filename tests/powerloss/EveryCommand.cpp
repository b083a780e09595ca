// Every power-loss point of a whole update, from one run of it.
//
// The update runs once. Before each command, and at the cuts inside the
// commands that work for a while, the harness works out what a cut there
// would leave, without cutting: the enclosure's memories as they stand,
// with an erase or program still under way put part of the way back as a
// power loss would (the enclosure's own cell model answers that), and for
// the bridge programming its own image, a copy of the chip taken through the
// same programming and stopped at each cut.
//
// Each state is judged on the spot. It then falls into a class by what the
// second update depends on: a memory whose valid mark is gone is erased and
// written whole, so its contents do not matter, only that its mark is gone
// (and, for the resource data, whether the controller reports an empty
// header); a memory under a valid mark counts with all of its contents; the
// journal counts with all of its entries. One second update runs per class,
// and again from the same state with noise in every byte the class leaves
// out; both must end the same, or the classes are not sound.
//
// What the interrupted update itself reports depends only on where in the
// program the cut command was sent: the call stack and the command. One
// forked copy runs on from the first cut at each such place, and others
// from later cuts at the same place check that they end the same.

#include <execinfo.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <unordered_map>

#include "base/Clock.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/FlashSelfProgrammer.h"
#include "powerloss/BrokenRules.h"
#include "powerloss/PowerLossHarness.h"
#include "powerloss/PowerLossState.h"

namespace rf::test {

namespace {

using namespace powerloss;

constexpr std::uint64_t kEepromWriteMicroseconds = 5'000;  // the enclosure's write cycle
constexpr std::size_t kMaxContinuations = 1 << 20;
// Each class keeps its first state (about a megabyte).
constexpr std::size_t kMaxClasses = 512;
constexpr int kStackDepth = 48;

// What the program reported after a cut, from a forked copy.
struct ContinuationSlot {
    std::uint32_t nResult;
    std::uint8_t bDone;
};

struct RepairSlot {
    std::uint8_t bDone;
    std::uint8_t bRecovered;
    std::uint8_t bInfoBlockLost;
    std::uint8_t bNoiseAgrees;
    std::uint32_t nResult;
    char szProblem[160];
};

struct StateClass {
    Snapshot state;  // the first state of the class, as a cut leaves it
    bool bRomMode = false;
    std::string strWhere;
    std::uint64_t nPoints = 0;
};

struct Signature {
    std::size_t nContinuation = SIZE_MAX;  // the slot of its first continuation
    std::uint64_t nSeen = 0;
    std::uint64_t nInvalidPoints = 0;  // cuts here that leave a memory marked invalid or corrupt
};

// What a cut leaves, seen without changing anything.
struct CutView {
    const emu::CNorFlashChip* pFlash = nullptr;
    std::uint64_t nFlashNow = 0;
    const std::vector<BYTE>* pHost = nullptr;
    emu::CEmulatedEnclosure* pEnclosure = nullptr;
    std::uint64_t nNow = 0;
};

class CEveryCommandRun {
public:
    CEveryCommandRun(const PowerLossScenario& scenario, const PowerLossPlan& plan)
        : m_scenario(scenario), m_plan(plan) {}
    ~CEveryCommandRun();

    PowerLossFigures Run();

private:
    std::shared_ptr<emu::CEmulatedEnclosure> Fresh() const;
    bool ReferenceRun(PowerLossFigures& figures);
    void MasterRun(PowerLossFigures& figures);
    void BeforeCommand(ScsiRequest& request);
    void AfterCommand(const ScsiRequest& request);
    void ImageCuts(std::uint64_t nIndex, std::uint64_t nStart, std::uint64_t nWork,
                   std::uint64_t nFirst, std::uint64_t nStride);
    void Point(const CutView& view, std::uint64_t nIndex, std::uint64_t nOffset);
    bool InWindow(std::uint64_t nIndex) const;
    std::uint64_t SignatureOf(const ScsiRequest& request) const;
    void Continue(std::uint64_t nIndex, std::uint64_t nSignature);
    void ReapOne();
    void RunRepairs(PowerLossFigures& figures);
    void Tally(PowerLossFigures& figures);

    // Parts of a state, each with its verdict.
    std::uint64_t FlashPart(const CutView& view, bool& bRomMode, Verdict& verdict);
    std::uint64_t HostPart(const std::vector<BYTE>& host, Verdict& verdict);
    std::uint64_t UiPart(const emu::CEmulatedUiController& ui, Verdict& verdict);
    std::uint64_t SpiPart(const emu::CSpiFlashChip& spi, std::uint64_t nNow, Verdict& verdict);
    std::uint64_t JournalPart();
    Snapshot StateOf(const CutView& view) const;

    const PowerLossScenario& m_scenario;
    PowerLossPlan m_plan;
    Snapshot m_before;
    Snapshot m_after;
    std::vector<BYTE> m_infoBlock;
    std::uint64_t m_nFirstIndex = 0;
    std::vector<std::uint64_t> m_drawn;  // a random draw's commands, from the run's start

    CUpdateBench* m_pBench = nullptr;
    std::uint64_t m_nIndex = 0;
    std::uint64_t m_nWorkBefore = 0;
    std::uint64_t m_nHostGeneration = 0;
    std::vector<BYTE> m_hostBefore;
    std::unique_ptr<emu::CNorFlashChip> m_pFlashBefore;
    std::vector<BYTE> m_imageData;
    std::unique_ptr<CChildStateDirectory> m_pChildState;
    bool m_bChild = false;
    std::uint64_t m_nCurrentSignature = 0;
    std::uint64_t m_nUnclassified = 0;

    // Verdicts of memories under a valid mark, by a hash of their contents;
    // the hashes of the live memories, while they stay untouched.
    std::unordered_map<std::uint64_t, Verdict> m_verdicts;
    std::map<std::vector<std::uint64_t>, std::uint64_t> m_contentHashes;
    std::uint64_t m_nJournalStamp = 0;
    std::uint64_t m_nJournalHash = 0;

    std::unordered_map<std::uint64_t, std::size_t> m_classIndex;
    std::vector<StateClass> m_classes;
    std::unordered_map<std::uint64_t, Signature> m_signatures;
    std::vector<std::uint64_t> m_continuationSignature;  // slot -> signature
    ContinuationSlot* m_pContinuations = nullptr;
    RepairSlot* m_pRepairs = nullptr;
    int m_nRunning = 0;
    std::uint64_t m_nChildrenFailed = 0;

    std::uint64_t m_nPoints = 0;
    std::uint64_t m_nSilentCorruptions = 0;
    std::vector<std::string> m_problems;
};

CEveryCommandRun::~CEveryCommandRun() {
    if (m_pContinuations != nullptr) {
        ::munmap(m_pContinuations, sizeof(ContinuationSlot) * kMaxContinuations);
    }
    if (m_pRepairs != nullptr) {
        ::munmap(m_pRepairs, sizeof(RepairSlot) * kMaxClasses);
    }
}

// On the scenario's link: the slow links' rows must be cut on their own
// timing, which decides how many polls each wait sends.
std::shared_ptr<emu::CEmulatedEnclosure> CEveryCommandRun::Fresh() const {
    return FreshEnclosure(m_scenario);
}

bool CEveryCommandRun::ReferenceRun(PowerLossFigures& figures) {
    if (Fresh() == nullptr) {
        figures.problems.push_back("no enclosure for the preset");
        return false;
    }
    CUpdateBench bench([this] { return Fresh(); });
    ResetBrokenRules();
    std::optional<std::uint64_t> brokenAt;
    if (m_scenario.pfnBefore != nullptr) {
        bench.faults.decide = [&](ScsiRequest& request) {
            m_scenario.pfnBefore(request);
            if (!brokenAt && RuleBroken()) {
                brokenAt = bench.enclosure->NextCommandIndex() - m_nFirstIndex;
            }
            return FaultAction::Pass;
        };
    }
    bench.faults.after = m_scenario.pfnAfter;
    m_before = Capture(*bench.enclosure);
    const auto& info = m_before.uiFlash.contents;
    m_infoBlock.assign(info.begin() + kInfoBlockOffset,
                       info.begin() + kInfoBlockOffset + kInfoBlockLength);
    m_nFirstIndex = bench.enclosure->NextCommandIndex();
    const UINT nResult = bench.Update();
    m_drawn = DrawCommands(m_scenario, m_plan, bench.enclosure->NextCommandIndex() - m_nFirstIndex);
    ++figures.nRuns;
    if (m_plan.bFromBreak) {
        if (!brokenAt) {
            figures.problems.push_back("the scenario's rewriting changed nothing");
            return false;
        }
        // Where the rule is broken moves with every command added before it.
        std::printf("%s: the rule is first broken at command %llu\n", m_scenario.pszName,
                    static_cast<unsigned long long>(*brokenAt));
        m_plan.nFirstCommand += *brokenAt;
        m_plan.nLastCommand += *brokenAt;
    }
    if (!IsSuccess(nResult)) {
        figures.problems.push_back("the uninterrupted update ended with message " +
                                   std::to_string(nResult));
        return false;
    }
    bench.enclosure->PowerOff();
    m_after = Capture(*bench.enclosure);
    return true;
}

bool CEveryCommandRun::InWindow(std::uint64_t nIndex) const {
    if (m_plan.nRandomCommands != 0 &&
        !std::binary_search(m_drawn.begin(), m_drawn.end(), nIndex - m_nFirstIndex)) {
        return false;
    }
    return m_plan.nLastCommand == 0 || (nIndex >= m_nFirstIndex + m_plan.nFirstCommand &&
                                        nIndex <= m_nFirstIndex + m_plan.nLastCommand);
}

std::uint64_t CEveryCommandRun::SignatureOf(const ScsiRequest& request) const {
    void* frames[kStackDepth];
    const int nFrames = ::backtrace(frames, kStackDepth);
    std::uint64_t nHash = HashBytes(kHashSeed, reinterpret_cast<const BYTE*>(frames),
                                    sizeof(void*) * static_cast<std::size_t>(nFrames));
    const BYTE command[] = {request.Cdb[0], request.Cdb[1], static_cast<BYTE>(request.DataIn)};
    return HashBytes(nHash, command, sizeof command);
}

void CEveryCommandRun::ReapOne() {
    int nStatus = 0;
    if (::waitpid(-1, &nStatus, 0) > 0) {
        --m_nRunning;
        if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
            ++m_nChildrenFailed;
        }
    }
}

void CEveryCommandRun::Continue(std::uint64_t nIndex, std::uint64_t nSignature) {
    const std::size_t nSlot = m_continuationSignature.size();
    if (nSlot >= kMaxContinuations) {
        return;
    }
    m_continuationSignature.push_back(nSignature);
    while (m_nRunning >= std::max(1, m_plan.nJobs)) {
        ReapOne();
    }
    std::fflush(nullptr);
    const std::map<std::string, std::vector<BYTE>> journal = ReadJournal(CUpdateBench::StateRoot());
    const pid_t nPid = ::fork();
    if (nPid == 0) {
        // The copy takes the cut and runs the interrupted update to its end;
        // MasterRun reports what it said.
        m_bChild = true;
        m_nIndex = nSlot;
        m_pChildState = std::make_unique<CChildStateDirectory>(journal);
        m_pBench->enclosure->AddFault(emu::Fault{nIndex, emu::FaultKind::PowerCut, 0});
        return;
    }
    if (nPid < 0) {
        ++m_nChildrenFailed;
    } else {
        ++m_nRunning;
    }
}

std::uint64_t CEveryCommandRun::FlashPart(const CutView& view, bool& bRomMode, Verdict& verdict) {
    std::array<BYTE, kRomModeReadArea> head{};
    for (std::uint32_t i = 0; i < head.size(); ++i) {
        head[i] = view.pFlash->ByteAfterPowerLoss(i, view.nFlashNow);
    }
    bRomMode = !emu::IsBootableFirmware(head);
    if (!HasBridgeMagic(head.data(), m_after)) {
        // The ROM path erases every block before it reads it.
        verdict = Verdict::Invalid;
        return 1;
    }
    const bool bLive =
        view.pFlash == &view.pEnclosure->Flash() && !view.pFlash->IsWorkUnderWay(view.nFlashNow);
    std::uint64_t nHash = 0;
    const auto& stats = view.pFlash->Stats();
    const std::vector<std::uint64_t> stamp = {0,
                                              stats.nBytesProgrammed,
                                              stats.nPagesWritten,
                                              stats.nSectorErases,
                                              stats.nChipErases,
                                              static_cast<std::uint64_t>(stats.nRejectedCycles)};
    std::vector<BYTE> contents;
    if (bLive && m_contentHashes.contains(stamp)) {
        nHash = m_contentHashes[stamp];
    } else {
        contents = view.pFlash->Contents();
        for (std::uint32_t i = 0; i < contents.size(); ++i) {
            contents[i] = view.pFlash->ByteAfterPowerLoss(i, view.nFlashNow);
        }
        nHash = HashBytes(kHashSeed ^ 0x11, contents.data(), contents.size());
        if (bLive) {
            m_contentHashes[stamp] = nHash;
        }
    }
    if (!m_verdicts.contains(nHash)) {
        if (contents.empty()) {
            contents = view.pFlash->Contents();
        }
        m_verdicts[nHash] = JudgeFlash(contents, m_before, m_after);
    }
    verdict = m_verdicts[nHash];
    // A bridge the enclosure starts in ROM mode is erased before it is read,
    // whatever a stricter boot code would make of its magic.
    return bRomMode ? 1 : nHash;
}

std::uint64_t CEveryCommandRun::HostPart(const std::vector<BYTE>& host, Verdict& verdict) {
    if (host[0] != 0xAA || host[1] != 0x55) {
        // Written whole once its header reads invalid.
        verdict = Verdict::Invalid;
        return 2;
    }
    const std::uint64_t nHash = HashBytes(kHashSeed ^ 0x22, host.data(), host.size());
    if (!m_verdicts.contains(nHash)) {
        m_verdicts[nHash] = JudgeHost(host, m_before, m_after);
    }
    verdict = m_verdicts[nHash];
    return nHash;
}

std::uint64_t CEveryCommandRun::UiPart(const emu::CEmulatedUiController& ui, Verdict& verdict) {
    const emu::UiProgramFlash& flash = ui.ProgramFlash();
    const std::uint64_t nFlags =
        std::uint64_t{flash.bValid} | std::uint64_t{flash.bProgrammed} << 1 |
        std::uint64_t{flash.security[0]} << 8 | std::uint64_t{flash.security[1]} << 16;
    if (!flash.bValid) {
        // A controller without valid firmware waits for its boot mode, which
        // erases before it programs.
        verdict = Verdict::Invalid;
        return 3 ^ nFlags << 8;
    }
    const std::vector<std::uint64_t> stamp = {1, ui.BootStats().nErases,
                                              ui.BootStats().nFramesProgrammed, nFlags};
    if (!m_contentHashes.contains(stamp)) {
        m_contentHashes[stamp] =
            HashBytes(kHashSeed ^ nFlags, flash.contents.data(), flash.contents.size());
    }
    const std::uint64_t nHash = m_contentHashes[stamp];
    if (!m_verdicts.contains(nHash)) {
        m_verdicts[nHash] = JudgeUiFlash(flash, m_before, m_after);
    }
    verdict = m_verdicts[nHash];
    return nHash;
}

std::uint64_t CEveryCommandRun::SpiPart(const emu::CSpiFlashChip& spi, std::uint64_t nNow,
                                        Verdict& verdict) {
    std::array<BYTE, kResourceMagicLength> magic{};
    for (std::uint32_t i = 0; i < magic.size(); ++i) {
        magic[i] = spi.ByteAfterPowerLoss(i, nNow);
    }
    if (std::memcmp(magic.data(), kResourceMagic, magic.size()) != 0) {
        // Erased and written whole; the controller's answer differs only for
        // a header of zero bytes, which sends the program to the SPI flash.
        verdict = Verdict::Invalid;
        const bool bZero = std::all_of(magic.begin(), magic.end(), [](BYTE b) { return b == 0; });
        return bZero ? 4 : 5;
    }
    const bool bLive = !spi.IsWorkUnderWay(nNow);
    const std::vector<std::uint64_t> stamp = {2, spi.Stats().nPagesProgrammed,
                                              spi.Stats().nChipErases};
    std::uint64_t nHash = 0;
    std::vector<BYTE> contents;
    if (bLive && m_contentHashes.contains(stamp)) {
        nHash = m_contentHashes[stamp];
    } else {
        contents = spi.Contents();
        for (std::uint32_t i = 0; i < contents.size(); ++i) {
            contents[i] = spi.ByteAfterPowerLoss(i, nNow);
        }
        nHash = HashBytes(kHashSeed ^ 0x55, contents.data(), contents.size());
        if (bLive) {
            m_contentHashes[stamp] = nHash;
        }
    }
    if (!m_verdicts.contains(nHash)) {
        if (contents.empty()) {
            contents = spi.Contents();
        }
        m_verdicts[nHash] = JudgeSpi(contents, m_before, m_after);
    }
    verdict = m_verdicts[nHash];
    return nHash;
}

std::uint64_t CEveryCommandRun::JournalPart() {
    // The directory's time changes with every entry written or removed.
    struct stat info {};
    const std::filesystem::path directory = JournalDirectory(CUpdateBench::StateRoot());
    std::uint64_t nStamp = 1;
    if (::stat(directory.c_str(), &info) == 0) {
        nStamp = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1'000'000'000ULL +
                 static_cast<std::uint64_t>(info.st_mtim.tv_nsec) + 2;
    }
    if (nStamp != m_nJournalStamp) {
        m_nJournalStamp = nStamp;
        m_nJournalHash = kHashSeed ^ 0x66;
        for (const auto& [strName, bytes] : ReadJournal(CUpdateBench::StateRoot())) {
            m_nJournalHash = HashBytes(
                m_nJournalHash, reinterpret_cast<const BYTE*>(strName.data()), strName.size());
            m_nJournalHash = HashBytes(m_nJournalHash, bytes.data(), bytes.size());
        }
    }
    return m_nJournalHash;
}

Snapshot CEveryCommandRun::StateOf(const CutView& view) const {
    Snapshot state = Capture(*view.pEnclosure);
    for (std::uint32_t i = 0; i < state.flash.size(); ++i) {
        state.flash[i] = view.pFlash->ByteAfterPowerLoss(i, view.nFlashNow);
    }
    state.host = *view.pHost;
    const emu::CSpiFlashChip& spi = emu::FittedUiController(*view.pEnclosure)->SpiFlash();
    for (std::uint32_t i = 0; i < state.spi.size(); ++i) {
        state.spi[i] = spi.ByteAfterPowerLoss(i, view.nNow);
    }
    state.journal = ReadJournal(CUpdateBench::StateRoot());
    return state;
}

void CEveryCommandRun::Point(const CutView& view, std::uint64_t nIndex, std::uint64_t nOffset) {
    if (!InWindow(nIndex)) {
        return;
    }
    ++m_nPoints;
    Verdicts verdicts{};
    bool bRomMode = false;
    const emu::CEmulatedUiController& ui = *emu::FittedUiController(*view.pEnclosure);
    std::uint64_t nKey = FlashPart(view, bRomMode, verdicts[kFlash]);
    nKey = nKey * 0x100000001B3ULL ^ HostPart(*view.pHost, verdicts[kHost]);
    verdicts[kCpu] = view.pEnclosure->CpuEeprom() == m_before.cpu ? Verdict::Old : Verdict::Corrupt;
    nKey = nKey * 0x100000001B3ULL ^ UiPart(ui, verdicts[kUiFlash]);
    nKey = nKey * 0x100000001B3ULL ^ SpiPart(ui.SpiFlash(), view.nNow, verdicts[kSpi]);
    nKey = nKey * 0x100000001B3ULL ^ JournalPart();
    nKey = nKey * 0x100000001B3ULL ^ static_cast<std::uint64_t>(verdicts[kCpu]);

    std::ostringstream where;
    auto describe = [&] {
        where.str("");
        where << m_scenario.pszName << ": power cut at command " << nIndex - m_nFirstIndex;
        if (nOffset != 0) {
            where << " +" << nOffset << " us";
        }
        where << ":";
        for (std::size_t i = 0; i < kMemoryCount; ++i) {
            where << ' ' << kMemoryNames[i] << ' ' << kVerdictNames[static_cast<int>(verdicts[i])]
                  << ';';
        }
        return where.str();
    };
    if (std::any_of(verdicts.begin(), verdicts.end(),
                    [](Verdict v) { return v == Verdict::Corrupt; })) {
        ++m_nSilentCorruptions;
        if (m_problems.size() < m_plan.nProblemsShown) {
            m_problems.push_back(describe() + " silent corruption");
        }
    }
    if (AnyInvalidOrCorrupt(verdicts)) {
        ++m_signatures[m_nCurrentSignature].nInvalidPoints;
    }
    auto found = m_classIndex.find(nKey);
    if (found == m_classIndex.end()) {
        if (m_classes.size() >= kMaxClasses) {
            ++m_nUnclassified;
            return;
        }
        found = m_classIndex.emplace(nKey, m_classes.size()).first;
        m_classes.push_back(StateClass{StateOf(view), bRomMode, describe(), 0});
    }
    ++m_classes[found->second].nPoints;
}

void CEveryCommandRun::BeforeCommand(ScsiRequest& request) {
    CUpdateBench& bench = *m_pBench;
    emu::CEmulatedEnclosure& enclosure = *bench.enclosure;
    const std::uint64_t nIndex = enclosure.NextCommandIndex();
    m_nIndex = nIndex;
    m_nWorkBefore = enclosure.Counters().nWorkMicroseconds;
    if (m_scenario.pfnBefore != nullptr) {
        m_scenario.pfnBefore(request);
    }
    // The place in the program counts only for the cuts looked at.
    const bool bInWindow = InWindow(nIndex);
    if (bInWindow) {
        m_nCurrentSignature = SignatureOf(request);
    }
    // The cut before the command: nothing of it has happened.
    const CutView view{&enclosure.Flash(), CurrentClock().NowMicroseconds(),
                       &enclosure.HostEeprom(), &enclosure, CurrentClock().NowMicroseconds()};
    Point(view, nIndex, 0);
    // Cuts inside the command need what it starts from.
    m_pFlashBefore.reset();
    if (request.Cdb[0] == kImageProgramOpcode && request.DataIn == 0) {
        m_pFlashBefore = std::make_unique<emu::CNorFlashChip>(enclosure.Flash());
    }
    if (request.Cdb[0] == 0xFC && request.Cdb[1] == 0x02 && request.DataIn == 0) {
        m_hostBefore = enclosure.HostEeprom();
    }
    if (!bInWindow) {
        return;
    }
    Signature& signature = m_signatures[m_nCurrentSignature];
    ++signature.nSeen;
    if (signature.nContinuation == SIZE_MAX) {
        signature.nContinuation = m_continuationSignature.size();
        Continue(nIndex, m_nCurrentSignature);
    } else if (signature.nSeen <= 3 || signature.nSeen % m_plan.nContinuationCheckStride == 0) {
        // Later cuts at the same place must end the same.
        Continue(nIndex, m_nCurrentSignature);
    }
}

void CEveryCommandRun::ImageCuts(std::uint64_t nIndex, std::uint64_t nStart, std::uint64_t nWork,
                                 std::uint64_t nFirst, std::uint64_t nStride) {
    // The same programming again on a copy of the chip as it stood, stopped
    // in thought at each cut: what had reached the chip by then, and its
    // cells as a power loss at that moment leaves them.
    emu::CEmulatedEnclosure& enclosure = *m_pBench->enclosure;
    emu::CNorFlashChip chip = *m_pFlashBefore;
    std::uint64_t nNext = nFirst;
    auto cutsUpTo = [&](std::uint64_t nElapsed) {
        for (; nNext < nWork && nNext <= nElapsed; nNext += nStride) {
            const CutView view{&chip, nStart + nNext, &enclosure.HostEeprom(), &enclosure,
                               CurrentClock().NowMicroseconds()};
            Point(view, nIndex, nNext);
        }
    };
    emu::CFlashSelfProgrammer programmer(chip, nStart, std::nullopt);
    programmer.SetObserver(cutsUpTo);
    const std::vector<BYTE> image(m_imageData.begin(), m_imageData.end());
    programmer.Program(image);
    cutsUpTo(nWork);
}

void CEveryCommandRun::AfterCommand(const ScsiRequest& request) {
    CUpdateBench& bench = *m_pBench;
    emu::CEmulatedEnclosure& enclosure = *bench.enclosure;
    if (m_scenario.pfnAfter != nullptr) {
        m_scenario.pfnAfter(request);
    }
    const std::uint64_t nWork = enclosure.Counters().nWorkMicroseconds - m_nWorkBefore;
    const std::uint64_t nNow = CurrentClock().NowMicroseconds();
    if (nWork == 0 || request.DataIn != 0) {
        return;  // reads that wait for an answer change nothing when cut short
    }
    const std::uint64_t nCut = nWork / 2;
    if (request.Cdb[0] == kImageProgramOpcode && m_pFlashBefore != nullptr) {
        // Cut into along the whole of its work when it works long, else half way.
        m_imageData.assign(request.DataBuffer, request.DataBuffer + request.DataTransferLength);
        const bool bLong = nWork >= kLongWorkMicroseconds;
        const std::uint64_t nStride =
            m_plan.nLongCutSample != 0 ? std::max<std::uint64_t>(1, nWork / m_plan.nLongCutSample)
                                       : m_plan.nLongCutStride;
        ImageCuts(m_nIndex, nNow - nWork, nWork, bLong ? 1 : nCut, bLong ? nStride : nWork);
        return;
    }
    if (request.Cdb[0] == 0xFC && request.Cdb[1] == 0x02) {
        // The EEPROM takes the bytes one after the other during its write
        // cycle: half way, the first half of them.
        std::vector<BYTE> host = m_hostBefore;
        const std::uint32_t nAddress =
            static_cast<std::uint32_t>(request.Cdb[4]) << 8 | request.Cdb[5];
        const std::uint32_t nLength = std::min<std::uint32_t>(
            static_cast<std::uint32_t>(request.Cdb[7]) << 8 | request.Cdb[8],
            request.DataTransferLength);
        const auto nWritten = static_cast<std::uint32_t>(nLength * nCut / kEepromWriteMicroseconds);
        for (std::uint32_t i = 0; i < nWritten; ++i) {
            host[(nAddress + i) % host.size()] = request.DataBuffer[i];
        }
        const CutView view{&enclosure.Flash(), nNow - (nWork - nCut), &host, &enclosure,
                           nNow - (nWork - nCut)};
        Point(view, m_nIndex, nCut);
        return;
    }
    // Any other command did all it does before the power could go: the
    // host only never hears its answer.
    const CutView view{&enclosure.Flash(), nNow, &enclosure.HostEeprom(), &enclosure, nNow};
    Point(view, m_nIndex, nCut);
}

void CEveryCommandRun::MasterRun(PowerLossFigures& figures) {
    CUpdateBench bench([this] { return Fresh(); });
    m_pBench = &bench;
    if (bench.enclosure->NextCommandIndex() != m_nFirstIndex) {
        figures.problems.push_back("the update does not start at the same command twice");
        ++figures.nHarnessErrors;
        return;
    }
    ResetBrokenRules();
    bench.faults.decide = [this](ScsiRequest& request) {
        if (!m_bChild) {
            BeforeCommand(request);
        } else if (m_scenario.pfnBefore != nullptr) {
            // The interrupted update goes on as the same program.
            m_scenario.pfnBefore(request);
        }
        return FaultAction::Pass;
    };
    bench.faults.after = [this](const ScsiRequest& request) {
        if (!m_bChild) {
            AfterCommand(request);
        } else if (m_scenario.pfnAfter != nullptr) {
            m_scenario.pfnAfter(request);
        }
    };
    const UINT nResult = bench.Update();
    if (m_bChild) {
        m_pContinuations[m_nIndex].nResult = nResult;
        m_pContinuations[m_nIndex].bDone = 1;
        std::fflush(nullptr);
        m_pChildState.reset();
        ::_exit(0);
    }
    bench.faults.decide = nullptr;
    bench.faults.after = nullptr;
    m_pBench = nullptr;
    while (m_nRunning > 0) {
        ReapOne();
    }
    if (!IsSuccess(nResult)) {
        figures.problems.push_back("the update run again without faults went otherwise");
        ++figures.nHarnessErrors;
    }
}

void CEveryCommandRun::RunRepairs(PowerLossFigures& figures) {
    for (std::size_t i = 0; i < m_classes.size(); ++i) {
        while (m_nRunning >= std::max(1, m_plan.nJobs)) {
            ReapOne();
        }
        std::fflush(nullptr);
        const pid_t nPid = ::fork();
        if (nPid == 0) {
            const StateClass& stateClass = m_classes[i];
            RepairSlot& slot = m_pRepairs[i];
            const RepairOutcome outcome = Repair(stateClass.state, m_before, m_after, m_infoBlock);
            // The class leaves out the contents of every memory whose mark
            // is gone: noise there must not change how the repair ends.
            Snapshot noisy = stateClass.state;
            std::uint64_t nSeed = 0x9E3779B97F4A7C15ULL ^ i;
            auto noise = [&nSeed](std::vector<BYTE>& bytes, std::size_t nFrom) {
                for (std::size_t n = nFrom; n < bytes.size(); ++n) {
                    nSeed = nSeed * 6364136223846793005ULL + 1442695040888963407ULL;
                    bytes[n] = static_cast<BYTE>(nSeed >> 56);
                }
            };
            if (stateClass.bRomMode) {
                noise(noisy.flash, 0);
                noisy.flash[0] = 0x00;  // and still no firmware to start
            }
            if (noisy.host[0] != 0xAA || noisy.host[1] != 0x55) {
                noise(noisy.host, 2);
            }
            if (!noisy.uiFlash.bValid) {
                noise(noisy.uiFlash.contents, 0);
            }
            if (std::memcmp(noisy.spi.data(), kResourceMagic, kResourceMagicLength) != 0) {
                const bool bZero =
                    std::all_of(noisy.spi.begin(), noisy.spi.begin() + kResourceMagicLength,
                                [](BYTE b) { return b == 0; });
                noise(noisy.spi, bZero ? 8 : 0);
                if (!bZero) {
                    noisy.spi[0] = 0xFF;  // neither the magic nor a header of zero bytes
                }
            }
            const RepairOutcome noisyOutcome = Repair(noisy, m_before, m_after, m_infoBlock);
            slot.nResult = outcome.nResult;
            slot.bRecovered = outcome.bRecovered;
            slot.bInfoBlockLost = outcome.bInfoBlockLost;
            slot.bNoiseAgrees = noisyOutcome.bRecovered == outcome.bRecovered &&
                                noisyOutcome.nResult == outcome.nResult &&
                                noisyOutcome.bInfoBlockLost == outcome.bInfoBlockLost;
            std::snprintf(
                slot.szProblem, sizeof slot.szProblem, "%s",
                (outcome.strProblem.empty() ? noisyOutcome.strProblem : outcome.strProblem)
                    .c_str());
            slot.bDone = 1;
            std::fflush(nullptr);
            ::_exit(0);
        }
        if (nPid < 0) {
            ++m_nChildrenFailed;
        } else {
            ++m_nRunning;
        }
    }
    while (m_nRunning > 0) {
        ReapOne();
    }
    figures.nRepairRuns = m_classes.size();
    figures.nRuns += 2 * m_classes.size();
}

void CEveryCommandRun::Tally(PowerLossFigures& figures) {
    figures.nFaultPoints = m_nPoints;
    figures.nDistinctStates = m_classes.size();
    figures.nSilentCorruptions = m_nSilentCorruptions;
    figures.problems = m_problems;
    figures.nHarnessErrors += m_nChildrenFailed + m_nUnclassified;
    auto problem = [&](const std::string& strText) {
        if (figures.problems.size() < m_plan.nProblemsShown) {
            figures.problems.push_back(strText);
        }
    };
    if (m_nUnclassified != 0) {
        problem(std::to_string(m_nUnclassified) +
                " states beyond the last class were not repaired");
    }
    for (std::size_t i = 0; i < m_classes.size(); ++i) {
        const RepairSlot& slot = m_pRepairs[i];
        const StateClass& stateClass = m_classes[i];
        if (slot.bDone == 0) {
            ++figures.nHarnessErrors;
            problem(stateClass.strWhere + " the repair did not end");
            continue;
        }
        if (slot.bNoiseAgrees == 0) {
            ++figures.nHarnessErrors;
            problem(stateClass.strWhere + " the repair depends on contents its class leaves out");
        }
        if (slot.bRecovered == 0) {
            figures.nFailedRecoveries += stateClass.nPoints;
            problem(stateClass.strWhere + " not repaired: " + slot.szProblem);
        }
        if (slot.bInfoBlockLost != 0) {
            figures.nInfoBlocksLost += stateClass.nPoints;
        }
    }
    // What the interrupted update said, by the place of the cut.
    std::unordered_map<std::uint64_t, UINT> said;
    for (std::size_t nSlot = 0; nSlot < m_continuationSignature.size(); ++nSlot) {
        const ContinuationSlot& slot = m_pContinuations[nSlot];
        const std::uint64_t nSignature = m_continuationSignature[nSlot];
        ++figures.nRuns;
        if (slot.bDone == 0) {
            ++figures.nHarnessErrors;
            problem(std::string(m_scenario.pszName) + ": an interrupted update did not report");
            continue;
        }
        if (slot.nResult == 0xFFFFFFFF) {
            ++figures.nHarnessErrors;
            problem(std::string(m_scenario.pszName) + ": an interrupted update did not end");
        }
        const auto [it, bFirst] = said.emplace(nSignature, slot.nResult);
        if (!bFirst && it->second != slot.nResult) {
            ++figures.nHarnessErrors;
            problem(std::string(m_scenario.pszName) +
                    ": two cuts at one place of the program ended with different messages");
        }
    }
    figures.nContinuations = m_continuationSignature.size();
    for (const auto& [nSignature, signature] : m_signatures) {
        const auto it = said.find(nSignature);
        if (it != said.end() && IsSuccess(it->second) && signature.nInvalidPoints != 0) {
            figures.nFalseSuccesses += signature.nInvalidPoints;
            problem(std::string(m_scenario.pszName) + ": " +
                    std::to_string(signature.nInvalidPoints) +
                    " interrupted updates reported complete");
        }
    }
}

PowerLossFigures CEveryCommandRun::Run() {
    const auto start = std::chrono::steady_clock::now();
    PowerLossFigures figures;
    m_pContinuations = MapShared<ContinuationSlot>(kMaxContinuations);
    m_pRepairs = MapShared<RepairSlot>(kMaxClasses);
    if (m_pContinuations == nullptr || m_pRepairs == nullptr) {
        figures.problems.push_back("no shared memory");
        ++figures.nHarnessErrors;
    } else if (!ReferenceRun(figures)) {
        ++figures.nHarnessErrors;
    } else {
        MasterRun(figures);
        ++figures.nRuns;
        RunRepairs(figures);
        Tally(figures);
    }
    figures.nWallMilliseconds =
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count());
    return figures;
}

}  // namespace

PowerLossFigures RunEveryCommand(const PowerLossScenario& scenario, const PowerLossPlan& plan) {
    CEveryCommandRun run(scenario, plan);
    return run.Run();
}

}  // namespace rf::test
