#pragma once

// A model of the serial (SPI) NOR flash beside the front-panel controller,
// as the controller's firmware drives it byte by byte: chip select, one
// byte out and one in per transfer, and the command executed when the chip
// is deselected. Identification (0x90, and 0x15 on parts that answer it),
// write enable, chip erase, page program within one 256-byte page (the
// address wraps inside the page, programming only clears bits), status
// register with busy and write-enable bits, and continuous reads.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/Types.h"
#include "emulator/CellWork.h"

namespace rf::emu {

struct SpiChipModel {
    const char* pszName;
    BYTE nManufacturer;  // the two codes command 0x90 answers
    BYTE nDevice;
    bool bAnswersSecondId;  // command 0x15 answers the next two codes; else nothing
    BYTE nSecondManufacturer;
    BYTE nSecondDevice;
    std::uint32_t nSize;  // bytes
    std::uint32_t nPageProgramMicroseconds;
    std::uint32_t nChipEraseMicroseconds;
};

// The five parts the updater supports, then one it does not know.
std::span<const SpiChipModel> SpiChipModels();
// By name (exact), or null.
const SpiChipModel* FindSpiChipModel(std::string_view name);

class CSpiFlashChip {
public:
    // A blank chip (all 0xFF), deselected.
    explicit CSpiFlashChip(const SpiChipModel& model);

    const SpiChipModel& Model() const { return *m_pModel; }

    // Times are microseconds on one clock, never decreasing between calls.
    void Select(std::uint64_t nNow);
    // Clocks one byte in and returns the byte clocked out (0xFF: nothing driven).
    BYTE Transfer(BYTE nIn, std::uint64_t nNow);
    // Ends the command; writes, erases and write enables take effect now.
    void Deselect(std::uint64_t nNow);
    bool IsSelected() const { return m_bSelected; }

    bool IsBusy(std::uint64_t nNow) const { return nNow < m_nBusyUntil; }
    BYTE StatusRegister(std::uint64_t nNow) const;

    const std::vector<BYTE>& Contents() const { return m_contents; }
    void SetContents(std::span<const BYTE> contents);  // fills the rest with 0xFF

    // What the power going at nNow would leave, without changing anything:
    // whether any cell would change, and what one cell would hold.
    bool IsWorkUnderWay(std::uint64_t nNow) const { return m_work.IsUnderWay(nNow); }
    std::uint8_t ByteAfterPowerLoss(std::uint32_t nOffset, std::uint64_t nNow) const {
        return m_work.CellAfterPowerLoss(m_contents, nOffset, nNow);
    }
    // The power goes at nNow: an erase or page program still busy leaves its
    // cells part of the way (see CellWork.h).
    void PowerLoss(std::uint64_t nNow) { m_work.PowerLost(m_contents, nNow); }
    // Power lost and back: deselected, write enable forgotten, an operation
    // in progress stops.
    void PowerCycle();

    struct Counters {
        std::uint64_t nPagesProgrammed = 0;
        std::uint64_t nChipErases = 0;
        std::uint64_t nBusyMicroseconds = 0;
        std::uint64_t nIgnoredCommands = 0;  // came while busy, or without write enable
    };
    const Counters& Stats() const { return m_counters; }

private:
    static constexpr std::uint32_t kPageSize = 256;

    void StartBusy(std::uint64_t nNow, std::uint32_t nMicroseconds);
    void ProgramPage();
    BYTE IdentificationByte(std::uint32_t nIndex) const;

    const SpiChipModel* m_pModel;
    std::vector<BYTE> m_contents;
    std::uint64_t m_nBusyUntil = 0;
    bool m_bWriteEnabled = false;
    Counters m_counters;

    // The command being clocked in since the last select.
    bool m_bSelected = false;
    bool m_bIgnored = false;
    BYTE m_nCommand = 0;
    std::uint32_t m_nBytes = 0;  // bytes clocked since select, command byte included
    std::uint32_t m_nAddress = 0;
    std::array<BYTE, kPageSize> m_page{};  // 0xFF where nothing was loaded
    CCellWorkInProgress m_work;
};

}  // namespace rf::emu
