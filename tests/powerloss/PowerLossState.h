#pragma once

// What a power cut leaves of an enclosure, how each memory stands then, and
// the second update that must repair it: shared by the harness that forks
// at every cut and the one that takes the state by copy.

#include <sys/mman.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/EmulatedEnclosure.h"
#include "emulator/UiController.h"
#include "support/FaultyDeviceSystem.h"
#include "support/TempFiles.h"
#include "support/UpdateBench.h"

namespace rf::test::powerloss {

inline constexpr char16_t kDrivePath[] = u"sdb";
// The part of the bridge's FLASH that a bridge in ROM mode may still read
// before the ROM path has erased it: the marks its boot code looks at.
inline constexpr std::size_t kRomModeReadArea = 0x100;
// The bridge image's magic at offset 0, and the resource data's.
inline constexpr std::size_t kBridgeMagicLength = 4;
inline constexpr char kResourceMagic[] = "RESOURCE";
inline constexpr std::size_t kResourceMagicLength = 8;
inline constexpr std::size_t kInfoBlockOffset = 0xA0;
inline constexpr std::size_t kInfoBlockLength = 16;
inline constexpr std::uint64_t kRunLimitMilliseconds = 3'600'000;
// The bridge programs its own image in one command; it is cut into along
// the whole of its work. Other writes that take time (EEPROM cycles, frames
// on the front panel's line) get a single cut half way.
inline constexpr std::uint64_t kLongWorkMicroseconds = 10'000;
inline constexpr BYTE kImageProgramOpcode = 0xFE;

enum class Verdict : std::uint8_t { Old, New, Invalid, Corrupt };
inline constexpr const char* kVerdictNames[] = {"old", "new", "invalid", "CORRUPT"};
enum Memory : std::size_t { kFlash, kHost, kCpu, kUiFlash, kSpi, kMemoryCount };
inline constexpr const char* kMemoryNames[] = {"bridge FLASH-ROM", "SEEPROM(Host)", "SEEPROM(CPU)",
                                               "UI flash", "UI resource data"};
using Verdicts = std::array<Verdict, kMemoryCount>;

// Everything an enclosure keeps without power, and what it is made of; with
// the journal the computer keeps of it.
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
    std::map<std::string, std::vector<BYTE>> journal;  // file name -> contents
};

Snapshot Capture(emu::CEmulatedEnclosure& enclosure);
// Where the journal's entries lie below a user state directory, and what
// they hold.
std::filesystem::path JournalDirectory(const std::filesystem::path& stateRoot);
std::map<std::string, std::vector<BYTE>> ReadJournal(const std::filesystem::path& stateRoot);
void WriteJournal(const std::filesystem::path& stateRoot,
                  const std::map<std::string, std::vector<BYTE>>& journal);
// The enclosure as it comes back when its power returns.
std::shared_ptr<emu::CEmulatedEnclosure> Rebuild(const Snapshot& snapshot);

std::uint64_t HashBytes(std::uint64_t nHash, const BYTE* pData, std::size_t nSize);
inline constexpr std::uint64_t kHashSeed = 0xCBF29CE484222325ULL;
// Equal states need the same repair. A bridge in ROM mode is told apart
// only by the marks its boot code reads.
std::uint64_t RepairKey(const Snapshot& snapshot, bool bRomMode);

// Old contents under their valid mark, new contents under theirs, a mark
// that says "invalid", or a corruption. Each memory is judged by the
// strictest mark a unit could go by: the bridge by its image magic alone,
// SEEPROM(Host) by its header word, the resource data by its magic, the
// front panel's flash by the controller's own record of a closed programming.
bool HasBridgeMagic(const BYTE* pHead, const Snapshot& after);
Verdict JudgeFlash(const std::vector<BYTE>& flash, const Snapshot& before, const Snapshot& after);
Verdict JudgeHost(const std::vector<BYTE>& host, const Snapshot& before, const Snapshot& after);
Verdict JudgeCpu(const std::vector<BYTE>& cpu, const Snapshot& before);
Verdict JudgeUiFlash(const emu::UiProgramFlash& flash, const Snapshot& before,
                     const Snapshot& after);
Verdict JudgeSpi(const std::vector<BYTE>& spi, const Snapshot& before, const Snapshot& after);
Verdicts Judge(const Snapshot& state, const Snapshot& before, const Snapshot& after);
bool AnyInvalidOrCorrupt(const Verdicts& verdicts);

std::vector<BYTE> Carried(UINT nId);
bool IsSuccess(UINT nResult);

// A dialog and an enclosure on their own clock, without a trace, opened at
// once. Any refresh ends the wait for the device, found or not.
class CUpdateBench final : public CUpdateBenchOf<CFaultyDeviceSystem> {
public:
    // The enclosure is made once the bench's clock runs, so that it starts
    // on that clock.
    explicit CUpdateBench(const std::function<std::shared_ptr<emu::CEmulatedEnclosure>()>& make);

    // The result message of one update, or 0xFFFFFFFF when it did not end.
    UINT Update() { return CUpdateBenchOf::Update(kRunLimitMilliseconds).value_or(0xFFFFFFFF); }
    // The user state directory the program sees now.
    static std::filesystem::path StateRoot();

    void OnDeviceRefreshed(bool) override { bRefreshed = true; }
};

// A forked child's own user state directory, holding the journal as the
// parent read it just before the fork (the parent runs on and may change its
// own at once), so that children never write into each other's journal.
class CChildStateDirectory {
public:
    explicit CChildStateDirectory(const std::map<std::string, std::vector<BYTE>>& journal);
    ~CChildStateDirectory();
    CChildStateDirectory(const CChildStateDirectory&) = delete;
    CChildStateDirectory& operator=(const CChildStateDirectory&) = delete;

private:
    CTempFiles m_files;
    std::optional<std::string> m_previous;
};

// The second update from a state, and what it left.
struct RepairOutcome {
    bool bRecovered = false;
    UINT nResult = 0;
    bool bInfoBlockLost = false;
    std::string strProblem;
};
RepairOutcome Repair(const Snapshot& state, const Snapshot& before, const Snapshot& after,
                     const std::vector<BYTE>& infoBlock);

// Memory that forked children write and the parent reads.
template <typename T>
T* MapShared(std::size_t nCount) {
    void* pMemory = ::mmap(nullptr, sizeof(T) * nCount, PROT_READ | PROT_WRITE,
                           MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    return pMemory == MAP_FAILED ? nullptr : static_cast<T*>(pMemory);
}

}  // namespace rf::test::powerloss
