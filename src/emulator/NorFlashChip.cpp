#include "emulator/NorFlashChip.h"

#include <algorithm>
#include <array>

namespace rf::emu {

namespace {

constexpr std::uint32_t kKiB = 1024;

// Typical data-sheet times of the 3 V parts. The page-write parts have no
// byte program and no sector erase, so those fields stay 0.
constexpr std::array kModels = std::to_array<NorChipModel>({
    {"AMD AM29LV010B", 0x01, 0x6E, false, 128 * kKiB, 16 * kKiB, 0, 14, 700'000, 2'000'000, 0},
    {"AMD AM29LV040B", 0x01, 0x4F, false, 512 * kKiB, 64 * kKiB, 0, 14, 700'000, 4'000'000, 0},
    {"EON EN29LV512", 0x1C, 0x6F, true, 64 * kKiB, 16 * kKiB, 0, 10, 500'000, 1'000'000, 0},
    {"EON EN29LV010", 0x1C, 0x6E, true, 128 * kKiB, 16 * kKiB, 0, 10, 500'000, 2'000'000, 0},
    {"EON EN29LV040A", 0x1C, 0x4F, true, 512 * kKiB, 64 * kKiB, 0, 10, 500'000, 4'000'000, 0},
    {"EON EN39LV010", 0x1C, 0xD5, true, 128 * kKiB, 4 * kKiB, 0, 14, 20'000, 1'000'000, 0},
    {"ATMEL AT29LV010", 0x1F, 0x35, false, 128 * kKiB, 0, 128, 0, 0, 20'000, 10'000},
    {"ATMEL AT29LV020", 0x1F, 0xBA, false, 256 * kKiB, 0, 128, 0, 0, 20'000, 10'000},
    {"ATMEL AT29LV040A", 0x1F, 0xC4, false, 512 * kKiB, 0, 128, 0, 0, 20'000, 10'000},
    {"ST M29W010", 0x20, 0x23, false, 128 * kKiB, 16 * kKiB, 0, 10, 800'000, 2'000'000, 0},
    {"ST M29W040", 0x20, 0xE3, false, 512 * kKiB, 64 * kKiB, 0, 10, 800'000, 4'000'000, 0},
    {"SST SST39VF512", 0xBF, 0xD4, false, 64 * kKiB, 4 * kKiB, 0, 14, 18'000, 100'000, 0},
    {"SST SST39VF010", 0xBF, 0xD5, false, 128 * kKiB, 4 * kKiB, 0, 14, 18'000, 100'000, 0},
    {"SST SST39VF020", 0xBF, 0xD6, false, 256 * kKiB, 4 * kKiB, 0, 14, 18'000, 100'000, 0},
    {"SST SST39VF040", 0xBF, 0xD7, false, 512 * kKiB, 4 * kKiB, 0, 14, 18'000, 100'000, 0},
    {"WINBOND W39L010", 0xDA, 0x31, false, 128 * kKiB, 8 * kKiB, 0, 20, 25'000, 1'000'000, 0},
});

constexpr std::uint8_t kContinuationCode = 0x7F;
// Where continuation parts put the real manufacturer code in ID mode.
constexpr std::uint32_t kContinuationIdBase = 0x100;
// The byte-load cycle limit of the page-write parts: a longer pause ends the load.
constexpr std::uint64_t kByteLoadLimitMicroseconds = 150;

constexpr std::uint8_t kDq7 = 0x80;
constexpr std::uint8_t kDq6 = 0x40;

// Only A0-A14 take part in decoding the unlock cycles.
bool IsAt(std::uint32_t nOffset, std::uint32_t nAddress) {
    return (nOffset & 0x7FFF) == nAddress;
}

bool IsCycle(std::uint32_t nOffset, std::uint8_t nValue, std::uint32_t nAddress,
             std::uint8_t nExpected) {
    return nValue == nExpected && IsAt(nOffset, nAddress);
}

}  // namespace

std::span<const NorChipModel> NorChipModels() {
    return kModels;
}

const NorChipModel* FindNorChipModel(std::string_view name) {
    for (const NorChipModel& model : kModels) {
        if (name == model.pszName) {
            return &model;
        }
    }
    return nullptr;
}

CNorFlashChip::CNorFlashChip(const NorChipModel& model)
    : m_pModel(&model), m_contents(model.nSize, 0xFF), m_pageBuffer(model.nPageSize, 0xFF) {}

void CNorFlashChip::SetContents(std::span<const std::uint8_t> contents) {
    const std::size_t nCopied = std::min(contents.size(), m_contents.size());
    std::copy_n(contents.begin(), nCopied, m_contents.begin());
    std::fill(m_contents.begin() + static_cast<std::ptrdiff_t>(nCopied), m_contents.end(), 0xFF);
}

void CNorFlashChip::PowerCycle() {
    m_eCycle = ECycle::Read;
    m_bIdMode = false;
    m_bPageLoaded = false;
    std::fill(m_pageBuffer.begin(), m_pageBuffer.end(), 0xFF);
    m_nBusyUntil = 0;
}

void CNorFlashChip::Write(std::uint32_t nOffset, std::uint8_t nValue, std::uint64_t nNow) {
    nOffset %= m_pModel->nSize;
    if (m_eCycle == ECycle::PageLoad) {
        if (nNow - m_nLastLoadTime <= kByteLoadLimitMicroseconds) {
            LoadPageByte(nOffset, nValue, nNow);
            return;
        }
        // The load timed out before this write, which is decoded afresh.
        EndPageLoad(m_nLastLoadTime + kByteLoadLimitMicroseconds);
    }
    if (IsBusy(nNow)) {
        Reject();
        return;
    }
    if (m_eCycle == ECycle::ByteProgram) {
        std::uint8_t& nCell = m_contents[nOffset];
        const std::uint8_t nBefore = nCell;
        nCell = static_cast<std::uint8_t>(nCell & nValue);
        m_nLastData = nValue;
        ++m_counters.nBytesProgrammed;
        m_eCycle = ECycle::Read;
        StartBusy(nNow, m_pModel->nByteProgramMicroseconds, false);
        m_work.Begin(CellWork::Program, nOffset, std::span(&nBefore, 1), nNow, m_nBusyUntil);
        return;
    }
    // Reset is honoured anywhere, even in the middle of a sequence.
    if (nValue == 0xF0) {
        m_eCycle = ECycle::Read;
        m_bIdMode = false;
        return;
    }
    ExecuteCommand(nOffset, nValue, nNow);
}

void CNorFlashChip::ExecuteCommand(std::uint32_t nOffset, std::uint8_t nValue, std::uint64_t nNow) {
    switch (m_eCycle) {
        case ECycle::Read:
        case ECycle::EraseSetup:
            if (!IsCycle(nOffset, nValue, 0x5555, 0xAA)) {
                Reject();
                return;
            }
            m_eCycle = m_eCycle == ECycle::Read ? ECycle::Unlocked1 : ECycle::EraseUnlocked1;
            return;
        case ECycle::Unlocked1:
        case ECycle::EraseUnlocked1:
            if (!IsCycle(nOffset, nValue, 0x2AAA, 0x55)) {
                Reject();
                return;
            }
            m_eCycle = m_eCycle == ECycle::Unlocked1 ? ECycle::Unlocked2 : ECycle::EraseUnlocked2;
            return;
        case ECycle::Unlocked2:
            if (!IsAt(nOffset, 0x5555)) {
                Reject();
            } else if (nValue == 0x90) {
                m_bIdMode = true;
                m_eCycle = ECycle::Read;
            } else if (nValue == 0xA0 && m_pModel->nPageSize != 0) {
                m_eCycle = ECycle::PageLoad;
                m_nLastLoadTime = nNow;
            } else if (nValue == 0xA0) {
                m_eCycle = ECycle::ByteProgram;
            } else if (nValue == 0x80) {
                m_eCycle = ECycle::EraseSetup;
            } else {
                Reject();
            }
            return;
        case ECycle::EraseUnlocked2:
            ExecuteErase(nOffset, nValue, nNow);
            return;
        case ECycle::ByteProgram:
        case ECycle::PageLoad:
            // Data cycles never reach the command decoder.
            return;
    }
}

void CNorFlashChip::ExecuteErase(std::uint32_t nOffset, std::uint8_t nValue, std::uint64_t nNow) {
    m_eCycle = ECycle::Read;
    if (IsCycle(nOffset, nValue, 0x5555, 0x10)) {
        StartBusy(nNow, m_pModel->nChipEraseMicroseconds, true);
        m_work.Begin(CellWork::Erase, 0, m_contents, nNow, m_nBusyUntil);
        std::fill(m_contents.begin(), m_contents.end(), 0xFF);
        ++m_counters.nChipErases;
    } else if (nValue == 0x30 && m_pModel->nPageSize == 0) {
        const std::uint32_t nSector = m_pModel->nSectorSize;
        const std::uint32_t nBase = nOffset / nSector * nSector;
        const auto first = m_contents.begin() + std::ptrdiff_t{nBase};
        StartBusy(nNow, m_pModel->nSectorEraseMicroseconds, true);
        m_work.Begin(CellWork::Erase, nBase, std::span(m_contents).subspan(nBase, nSector), nNow,
                     m_nBusyUntil);
        std::fill(first, first + std::ptrdiff_t{nSector}, 0xFF);
        ++m_counters.nSectorErases;
    } else {
        Reject();
    }
}

void CNorFlashChip::LoadPageByte(std::uint32_t nOffset, std::uint8_t nValue, std::uint64_t nNow) {
    const std::uint32_t nPageSize = m_pModel->nPageSize;
    const std::uint32_t nPageBase = nOffset / nPageSize * nPageSize;
    if (m_bPageLoaded && nPageBase != m_nPageBase) {
        // Leaving the page starts its write, so this write finds the chip busy.
        EndPageLoad(nNow);
        Reject();
        return;
    }
    m_bPageLoaded = true;
    m_nPageBase = nPageBase;
    m_pageBuffer[nOffset - nPageBase] = nValue;
    m_nLastData = nValue;
    m_nLastLoadTime = nNow;
}

void CNorFlashChip::EndPageLoad(std::uint64_t nEnd) {
    m_eCycle = ECycle::Read;
    if (!m_bPageLoaded) {
        return;
    }
    StartBusy(nEnd, m_pModel->nPageWriteMicroseconds, false);
    m_work.Begin(CellWork::Rewrite, m_nPageBase,
                 std::span(m_contents).subspan(m_nPageBase, m_pModel->nPageSize), nEnd,
                 m_nBusyUntil);
    std::copy(m_pageBuffer.begin(), m_pageBuffer.end(),
              m_contents.begin() + std::ptrdiff_t{m_nPageBase});
    std::fill(m_pageBuffer.begin(), m_pageBuffer.end(), 0xFF);
    m_bPageLoaded = false;
    ++m_counters.nPagesWritten;
}

void CNorFlashChip::StartBusy(std::uint64_t nStart, std::uint32_t nMicroseconds, bool bErasing) {
    m_nBusyUntil = nStart + nMicroseconds;
    m_counters.nBusyMicroseconds += nMicroseconds;
    m_bErasing = bErasing;
}

void CNorFlashChip::Reject() {
    m_eCycle = ECycle::Read;
    ++m_counters.nRejectedCycles;
}

std::uint8_t CNorFlashChip::Read(std::uint32_t nOffset, std::uint64_t nNow) {
    nOffset %= m_pModel->nSize;
    if (m_eCycle == ECycle::PageLoad) {
        EndPageLoad(std::min(nNow, m_nLastLoadTime + kByteLoadLimitMicroseconds));
    }
    if (IsBusy(nNow)) {
        const std::uint8_t nDq7 = m_bErasing ? 0 : static_cast<std::uint8_t>(~m_nLastData & kDq7);
        const std::uint8_t nDq6 = m_bToggle ? kDq6 : 0;
        m_bToggle = !m_bToggle;
        return static_cast<std::uint8_t>(nDq7 | nDq6);
    }
    return m_bIdMode ? ReadId(nOffset) : m_contents[nOffset];
}

// Offsets that carry no code read 0x00, which no ID byte equals.
std::uint8_t CNorFlashChip::ReadId(std::uint32_t nOffset) const {
    const bool bContinuation = m_pModel->bContinuation;
    if (nOffset == 0) {
        return bContinuation ? kContinuationCode : m_pModel->nManufacturer;
    }
    if (nOffset == 1 || (bContinuation && nOffset == kContinuationIdBase + 1)) {
        return m_pModel->nDevice;
    }
    if (bContinuation && nOffset == kContinuationIdBase) {
        return m_pModel->nManufacturer;
    }
    return 0x00;
}

}  // namespace rf::emu
