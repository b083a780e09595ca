#pragma once

// What the cells of a flash array hold when the power goes while an erase or
// a program is still under way. The chip models apply an operation the
// moment it is issued (only its busy time gates reads); this keeps what the
// cells held before, so that a power loss inside the busy time can put back
// a state part of the way between the two.
//
// The model is deliberately unkind, and the same every run:
// - an erase first drives every byte of its range to 0x00 in address order
//   (the parts' embedded erase pre-programs before it erases, so that no
//   cell ends over-erased) during the first half of its time, then the bits
//   come back to 1 in a scattered order during the second half;
// - a program clears the bits it has to clear in a scattered order;
// - a rewrite (a page-write part's page: erased and programmed in one
//   operation) spends half its time erasing and half programming, each
//   scattered.
// "Scattered" is a fixed pseudo-random draw per cell bit, weighted by the
// share of the operation's time that had passed.

#include <cstdint>
#include <span>
#include <vector>

namespace rf::emu {

enum class CellWork { Erase, Program, Rewrite };

class CCellWorkInProgress {
public:
    // An operation on the cells from nBase on, which held `before` and hold
    // its result now, busy from nStart to nEnd.
    void Begin(CellWork kind, std::uint32_t nBase, std::span<const std::uint8_t> before,
               std::uint64_t nStart, std::uint64_t nEnd);
    bool IsActive() const { return m_bActive; }

    // The power went at nNow: cells of an operation still busy then are put
    // part of the way back. The operation is forgotten either way.
    void PowerLost(std::vector<std::uint8_t>& cells, std::uint64_t nNow);

    // Where a cut at nNow would leave cell nOffset (without changing it).
    std::uint8_t PartialByte(std::uint32_t nOffset, std::uint8_t nAfter, std::uint64_t nNow) const;
    // Whether a cut at nNow would change any cell, and what a cut would
    // leave in cell nAddress of the whole array (without changing it).
    bool IsUnderWay(std::uint64_t nNow) const { return m_bActive && nNow < m_nEnd; }
    std::uint8_t CellAfterPowerLoss(const std::vector<std::uint8_t>& cells, std::uint32_t nAddress,
                                    std::uint64_t nNow) const;

private:
    bool m_bActive = false;
    CellWork m_kind = CellWork::Program;
    std::uint32_t m_nBase = 0;
    std::vector<std::uint8_t> m_before;
    std::uint64_t m_nStart = 0;
    std::uint64_t m_nEnd = 0;
};

}  // namespace rf::emu
