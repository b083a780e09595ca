#pragma once

// A model of a parallel NOR FLASH chip as it sits behind the bridge's FLASH
// window: JEDEC command sequences (unlock cycles 0xAA at 0x5555 and 0x55 at
// 0x2AAA), ID mode, chip and sector erase, byte programming, the page write
// of parts that program whole pages, and the busy time during which reads
// return status (data polling on DQ7, toggle bit on DQ6) instead of data.
// Programming only clears bits; erasing sets them.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "emulator/CellWork.h"

namespace rf::emu {

struct NorChipModel {
    const char* pszName;         // as the updater's chip table names it, e.g. "SST SST39VF020"
    std::uint8_t nManufacturer;  // JEDEC manufacturer code
    std::uint8_t nDevice;        // device code
    bool bContinuation;          // ID mode reads 0x7F at offset 0; the code itself is at 0x100
    std::uint32_t nSize;         // bytes
    std::uint32_t nSectorSize;   // unit of the sector-erase command (0x30)
    std::uint32_t nPageSize;     // 0: byte programming; else page write, unloaded bytes become 0xFF
    std::uint32_t nByteProgramMicroseconds;
    std::uint32_t nSectorEraseMicroseconds;
    std::uint32_t nChipEraseMicroseconds;
    std::uint32_t nPageWriteMicroseconds;
};

// The sixteen parts the updater knows, in the updater's table order.
std::span<const NorChipModel> NorChipModels();
// By name (exact), or null.
const NorChipModel* FindNorChipModel(std::string_view name);

class CNorFlashChip {
public:
    // A blank chip (all 0xFF) in read mode.
    explicit CNorFlashChip(const NorChipModel& model);

    const NorChipModel& Model() const { return *m_pModel; }

    // One bus cycle at chip offset nOffset (taken modulo the chip size) at
    // time nNow (microseconds, never decreasing between calls).
    void Write(std::uint32_t nOffset, std::uint8_t nValue, std::uint64_t nNow);
    std::uint8_t Read(std::uint32_t nOffset, std::uint64_t nNow);

    bool IsBusy(std::uint64_t nNow) const { return nNow < m_nBusyUntil; }
    std::uint64_t BusyUntil() const { return m_nBusyUntil; }

    // The array as it stands (what a reader sees once the chip is idle).
    const std::vector<std::uint8_t>& Contents() const { return m_contents; }
    void SetContents(std::span<const std::uint8_t> contents);  // fills the rest with 0xFF

    // What the power going at nNow would leave, without changing anything:
    // whether any cell would change, and what one cell would hold.
    bool IsWorkUnderWay(std::uint64_t nNow) const { return m_work.IsUnderWay(nNow); }
    std::uint8_t ByteAfterPowerLoss(std::uint32_t nOffset, std::uint64_t nNow) const {
        return m_work.CellAfterPowerLoss(m_contents, nOffset, nNow);
    }
    // The power goes at nNow: an erase or program still busy leaves its
    // cells part of the way (see CellWork.h).
    void PowerLoss(std::uint64_t nNow) { m_work.PowerLost(m_contents, nNow); }
    // Power lost and back: command state and ID mode are forgotten, a page
    // being loaded is discarded, an operation in progress stops.
    void PowerCycle();

    struct Counters {
        std::uint64_t nBytesProgrammed = 0;
        std::uint64_t nPagesWritten = 0;
        std::uint64_t nSectorErases = 0;
        std::uint64_t nChipErases = 0;
        std::uint64_t nBusyMicroseconds = 0;
        std::uint64_t nRejectedCycles = 0;  // writes that broke a sequence or came while busy
    };
    const Counters& Stats() const { return m_counters; }

private:
    // Private state of the command decoder; the implementer's choice.
    const NorChipModel* m_pModel;
    std::vector<std::uint8_t> m_contents;
    std::uint64_t m_nBusyUntil = 0;
    Counters m_counters;

    enum class ECycle : std::uint8_t {
        Read,            // expecting 0xAA at 0x5555
        Unlocked1,       // expecting 0x55 at 0x2AAA
        Unlocked2,       // expecting the command at 0x5555
        ByteProgram,     // the next write is the data byte
        PageLoad,        // writes load the page buffer
        EraseSetup,      // expecting 0xAA at 0x5555
        EraseUnlocked1,  // expecting 0x55 at 0x2AAA
        EraseUnlocked2,  // expecting 0x10 at 0x5555 or 0x30 in a sector
    };

    void ExecuteCommand(std::uint32_t nOffset, std::uint8_t nValue, std::uint64_t nNow);
    void ExecuteErase(std::uint32_t nOffset, std::uint8_t nValue, std::uint64_t nNow);
    void LoadPageByte(std::uint32_t nOffset, std::uint8_t nValue, std::uint64_t nNow);
    void EndPageLoad(std::uint64_t nEnd);
    void StartBusy(std::uint64_t nStart, std::uint32_t nMicroseconds, bool bErasing);
    void Reject();
    std::uint8_t ReadId(std::uint32_t nOffset) const;

    ECycle m_eCycle = ECycle::Read;
    bool m_bIdMode = false;
    bool m_bErasing = false;       // status shows DQ7 = 0 rather than the inverted data bit
    bool m_bToggle = false;        // DQ6 of the next busy read
    std::uint8_t m_nLastData = 0;  // last byte programmed or loaded, for DQ7 polling
    std::vector<std::uint8_t> m_pageBuffer;  // 0xFF where nothing was loaded
    bool m_bPageLoaded = false;
    std::uint32_t m_nPageBase = 0;
    std::uint64_t m_nLastLoadTime = 0;
    CCellWorkInProgress m_work;
};

}  // namespace rf::emu
