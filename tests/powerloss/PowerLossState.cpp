#include "powerloss/PowerLossState.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/DurableFile.h"
#include "base/Environment.h"
#include "base/FilePath.h"
#include "firmware/FirmwareImages.h"
#include "text/StringTable.h"

namespace rf::test::powerloss {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFlashToleratedFirst = 0xD0;
constexpr std::size_t kFlashToleratedLast = 0xD2;

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

Verdict Judged(bool bMarkValid, bool bOld, bool bNew) {
    return !bMarkValid ? Verdict::Invalid
           : bOld      ? Verdict::Old
           : bNew      ? Verdict::New
                       : Verdict::Corrupt;
}

}  // namespace

fs::path JournalDirectory(const fs::path& stateRoot) {
    return stateRoot / "reflasher" / "journal";
}

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

std::map<std::string, std::vector<BYTE>> ReadJournal(const fs::path& stateRoot) {
    std::map<std::string, std::vector<BYTE>> journal;
    std::error_code error;
    for (fs::directory_iterator it(JournalDirectory(stateRoot), error), end; !error && it != end;
         it.increment(error)) {
        std::ifstream file(it->path(), std::ios::binary);
        journal[PathToUtf8(it->path().filename())] = std::vector<BYTE>(
            (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    return journal;
}

void WriteJournal(const fs::path& stateRoot,
                  const std::map<std::string, std::vector<BYTE>>& journal) {
    for (const auto& [strName, bytes] : journal) {
        WriteFileDurably(JournalDirectory(stateRoot) / PathFromUtf8(strName), bytes);
    }
}

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

std::uint64_t RepairKey(const Snapshot& snapshot, bool bRomMode) {
    std::uint64_t nHash = kHashSeed;
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
    for (const auto& [strName, bytes] : snapshot.journal) {
        nHash = HashBytes(nHash, reinterpret_cast<const BYTE*>(strName.data()), strName.size());
        nHash = HashBytes(nHash, bytes.data(), bytes.size());
    }
    return nHash == 0 ? 1 : nHash;
}

bool HasBridgeMagic(const BYTE* pHead, const Snapshot& after) {
    return std::equal(pHead, pHead + kBridgeMagicLength, after.flash.begin());
}

Verdict JudgeFlash(const std::vector<BYTE>& flash, const Snapshot& before, const Snapshot& after) {
    // The bridge's mark is the image magic at its start: a boot code may look
    // at nothing else, so whatever holds the magic must be a whole image.
    return Judged(HasBridgeMagic(flash.data(), after), SameFlash(flash, before.flash),
                  SameFlash(flash, after.flash));
}

Verdict JudgeHost(const std::vector<BYTE>& host, const Snapshot& before, const Snapshot& after) {
    const bool bMark = host[0] == 0xAA && host[1] == 0x55;
    return Judged(bMark, host == before.host, host == after.host);
}

Verdict JudgeCpu(const std::vector<BYTE>& cpu, const Snapshot& before) {
    return cpu == before.cpu ? Verdict::Old : Verdict::Corrupt;
}

// The front panel's firmware has no mark of its own that an update could
// write last: its boot loader erases the whole flash and takes the image in
// ascending frames from address 0, so a first block is always written first.
// What tells a whole image from part of one is the controller's record: the
// flash counts as firmware once a programming from address 0 passed its own
// check and the security setting closed it. Until then the controller
// answers as one without firmware, and the bridge puts it into its boot mode
// by its mode lines whatever the flash holds.
Verdict JudgeUiFlash(const emu::UiProgramFlash& flash, const Snapshot& before,
                     const Snapshot& after) {
    return Judged(flash.bValid, flash.contents == before.uiFlash.contents,
                  flash.contents == after.uiFlash.contents);
}

Verdict JudgeSpi(const std::vector<BYTE>& spi, const Snapshot& before, const Snapshot& after) {
    const bool bMark = std::memcmp(spi.data(), kResourceMagic, kResourceMagicLength) == 0;
    return Judged(bMark, spi == before.spi, spi == after.spi);
}

Verdicts Judge(const Snapshot& state, const Snapshot& before, const Snapshot& after) {
    Verdicts verdicts{};
    verdicts[kFlash] = JudgeFlash(state.flash, before, after);
    verdicts[kHost] = JudgeHost(state.host, before, after);
    verdicts[kCpu] = JudgeCpu(state.cpu, before);
    verdicts[kUiFlash] = JudgeUiFlash(state.uiFlash, before, after);
    verdicts[kSpi] = JudgeSpi(state.spi, before, after);
    return verdicts;
}

bool AnyInvalidOrCorrupt(const Verdicts& verdicts) {
    return std::any_of(verdicts.begin(), verdicts.end(),
                       [](Verdict v) { return v == Verdict::Invalid || v == Verdict::Corrupt; });
}

std::vector<BYTE> Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return std::vector<BYTE>(image.begin(), image.end());
}

bool IsSuccess(UINT nResult) {
    return nResult == IDS_UPDATE_COMPLETE || nResult == IDS_UPDATE_COMPLETE_POWER_CYCLE;
}

CUpdateBench::CUpdateBench(const std::function<std::shared_ptr<emu::CEmulatedEnclosure>()>& make) {
    enclosure = make();
    emulated.Attach(kDrivePath, enclosure);
    // The harness judges the unit's name itself: an update must not stop
    // short of the front panel for want of a name it could not read.
    theCmdInfo.m_bIgnoreMissingUnitName = true;
    Open(5'000);
}

fs::path CUpdateBench::StateRoot() {
    return UserStateDirectory();
}

CChildStateDirectory::CChildStateDirectory(const std::map<std::string, std::vector<BYTE>>& journal)
    : m_previous(GetEnvironmentUtf8(kStateHomeVariable)) {
    SetEnvironmentUtf8(kStateHomeVariable, m_files.Root());
    WriteJournal(UserStateDirectory(), journal);
}

CChildStateDirectory::~CChildStateDirectory() {
    SetEnvironmentUtf8(kStateHomeVariable, m_previous);
}

RepairOutcome Repair(const Snapshot& state, const Snapshot& before, const Snapshot& after,
                     const std::vector<BYTE>& infoBlock) {
    RepairOutcome outcome;
    CUpdateBench bench([&state] { return Rebuild(state); });
    WriteJournal(bench.StateRoot(), state.journal);
    // A second update of an enclosure whose marks all say "up to date" asks
    // first; whoever repeats an interrupted update answers Yes.
    bench.env.messageBoxes.answers = {IDYES};
    outcome.nResult = bench.Update();
    if (!IsSuccess(outcome.nResult)) {
        outcome.strProblem =
            "the second update ended with message " + std::to_string(outcome.nResult);
        return outcome;
    }
    bench.enclosure->PowerOff();
    bench.enclosure->PowerOn();
    const Snapshot final = Capture(*bench.enclosure);
    // Each memory holds the carried image, or what the uninterrupted update
    // left there (a front panel that had no firmware to report its resource
    // data with, a debugger build that is never written).
    auto holds = [](const std::vector<BYTE>& memory, const std::vector<BYTE>& expected,
                    std::size_t nLength, bool bFlash) {
        if (memory.size() < nLength || expected.size() < nLength) {
            return false;
        }
        const std::vector<BYTE> held(memory.begin(),
                                     memory.begin() + static_cast<std::ptrdiff_t>(nLength));
        const std::vector<BYTE> wanted(expected.begin(),
                                       expected.begin() + static_cast<std::ptrdiff_t>(nLength));
        return bFlash ? SameFlash(held, wanted) : held == wanted;
    };
    auto either = [&](const std::vector<BYTE>& memory, const std::vector<BYTE>& left,
                      std::vector<BYTE> carried, bool bFlash) {
        const std::size_t nLength = carried.size();
        return holds(memory, carried, nLength, bFlash) || holds(memory, left, nLength, bFlash);
    };
    std::vector<BYTE> bridge = Carried(IDR_BRIDGE_FIRMWARE);
    bridge.resize((bridge.size() + 511) / 512 * 512, 0xFF);
    // The unit's own block is not the image's: it is judged on its own.
    auto withoutInfo = [](std::vector<BYTE> contents) {
        std::fill_n(contents.begin() + kInfoBlockOffset, kInfoBlockLength, BYTE{0xFF});
        return contents;
    };
    if (bench.enclosure->IsRomMode() || !either(final.flash, after.flash, bridge, true)) {
        outcome.strProblem = "the bridge FLASH-ROM does not hold the carried image";
    } else if (!either(final.host, after.host, Carried(IDR_SEEPROM_HOST), false)) {
        outcome.strProblem = "SEEPROM(Host) does not hold the carried image";
    } else if (final.cpu != before.cpu) {
        outcome.strProblem = "SEEPROM(CPU) changed";
    } else if (!either(final.spi, after.spi, Carried(IDR_UI_RESOURCE), false)) {
        outcome.strProblem = "the UI resource data is not the carried image";
    } else if (!final.uiFlash.bValid) {
        outcome.strProblem = "the UI controller has no valid firmware";
    } else if (!either(withoutInfo(final.uiFlash.contents), withoutInfo(after.uiFlash.contents),
                       withoutInfo(Carried(IDR_UI_FIRMWARE)), false)) {
        outcome.strProblem = "the UI firmware is not the carried image";
    } else {
        outcome.bInfoBlockLost = !std::equal(infoBlock.begin(), infoBlock.end(),
                                             final.uiFlash.contents.begin() + kInfoBlockOffset);
    }
    outcome.bRecovered = outcome.strProblem.empty();
    return outcome;
}

}  // namespace rf::test::powerloss
