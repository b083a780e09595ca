#include "emulator/CellWork.h"

#include <algorithm>

namespace rf::emu {

namespace {

std::uint64_t Mix(std::uint64_t nValue) {
    nValue += 0x9E3779B97F4A7C15ULL;
    nValue = (nValue ^ (nValue >> 30)) * 0xBF58476D1CE4E5B9ULL;
    nValue = (nValue ^ (nValue >> 27)) * 0x94D049BB133111EBULL;
    return nValue ^ (nValue >> 31);
}

// Whether one bit of one cell has changed once the share `fDone` of the
// operation's time has passed: every bit changes at its own moment.
bool BitChanged(std::uint32_t nAddress, int nBit, std::uint64_t nSeed, double fDone) {
    const std::uint64_t nHash =
        Mix(nSeed ^ (std::uint64_t{nAddress} << 3 | static_cast<unsigned>(nBit)));
    const double fMoment = static_cast<double>(nHash >> 11) * 0x1.0p-53;
    return fMoment < fDone;
}

// The bits of `nMask` that have changed.
std::uint8_t ChangedBits(std::uint32_t nAddress, std::uint8_t nMask, std::uint64_t nSeed,
                         double fDone) {
    std::uint8_t nChanged = 0;
    for (int nBit = 0; nBit < 8; ++nBit) {
        const auto nBitMask = static_cast<std::uint8_t>(1U << nBit);
        if ((nMask & nBitMask) != 0 && BitChanged(nAddress, nBit, nSeed, fDone)) {
            nChanged = static_cast<std::uint8_t>(nChanged | nBitMask);
        }
    }
    return nChanged;
}

}  // namespace

void CCellWorkInProgress::Begin(CellWork kind, std::uint32_t nBase,
                                std::span<const std::uint8_t> before, std::uint64_t nStart,
                                std::uint64_t nEnd) {
    m_bActive = nEnd > nStart;
    m_kind = kind;
    m_nBase = nBase;
    m_before.assign(before.begin(), before.end());
    m_nStart = nStart;
    m_nEnd = nEnd;
}

std::uint8_t CCellWorkInProgress::PartialByte(std::uint32_t nOffset, std::uint8_t nAfter,
                                              std::uint64_t nNow) const {
    const std::uint8_t nBefore = m_before[nOffset];
    if (nNow <= m_nStart) {
        return nBefore;
    }
    if (nNow >= m_nEnd) {
        return nAfter;
    }
    const double fDone =
        static_cast<double>(nNow - m_nStart) / static_cast<double>(m_nEnd - m_nStart);
    const std::uint32_t nAddress = m_nBase + nOffset;
    switch (m_kind) {
        case CellWork::Erase: {
            if (fDone < 0.5) {
                const double fPreProgrammed = fDone * 2 * static_cast<double>(m_before.size());
                return static_cast<double>(nOffset) < fPreProgrammed ? std::uint8_t{0x00} : nBefore;
            }
            return ChangedBits(nAddress, 0xFF, m_nStart, (fDone - 0.5) * 2);
        }
        case CellWork::Program:
            return static_cast<std::uint8_t>(
                nBefore & ~ChangedBits(nAddress, nBefore & ~nAfter, m_nStart, fDone));
        case CellWork::Rewrite: {
            if (fDone < 0.5) {
                return static_cast<std::uint8_t>(
                    nBefore | ChangedBits(nAddress, ~nBefore & 0xFF, m_nStart, fDone * 2));
            }
            const auto nToClear = static_cast<std::uint8_t>(~nAfter & 0xFF);
            return static_cast<std::uint8_t>(
                0xFF & ~ChangedBits(nAddress, nToClear, m_nStart + 1, (fDone - 0.5) * 2));
        }
    }
    return nAfter;
}

std::uint8_t CCellWorkInProgress::CellAfterPowerLoss(const std::vector<std::uint8_t>& cells,
                                                     std::uint32_t nAddress,
                                                     std::uint64_t nNow) const {
    if (!IsUnderWay(nNow) || nAddress < m_nBase || nAddress - m_nBase >= m_before.size()) {
        return cells[nAddress];
    }
    return PartialByte(nAddress - m_nBase, cells[nAddress], nNow);
}

void CCellWorkInProgress::PowerLost(std::vector<std::uint8_t>& cells, std::uint64_t nNow) {
    if (m_bActive && nNow < m_nEnd) {
        for (std::uint32_t i = 0; i < m_before.size(); ++i) {
            std::uint8_t& nCell = cells[m_nBase + i];
            nCell = PartialByte(i, nCell, nNow);
        }
    }
    m_bActive = false;
    m_before.clear();
}

}  // namespace rf::emu
