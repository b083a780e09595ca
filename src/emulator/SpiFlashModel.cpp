#include "emulator/SpiFlashModel.h"

#include <algorithm>

namespace rf::emu {

namespace {

constexpr std::uint32_t kKiB = 1024;
constexpr std::uint32_t kMiB = 1024 * kKiB;

// Typical data-sheet times: a page takes 1.5 ms, a chip erase seconds,
// growing with the size. The last part answers codes the updater does not
// know.
constexpr std::array kModels = std::to_array<SpiChipModel>({
    {"WINBOND W25X10A", 0xEF, 0x10, false, 0, 0, 128 * kKiB, 1'500, 1'000'000},
    {"WINBOND W25X20A", 0xEF, 0x11, false, 0, 0, 256 * kKiB, 1'500, 2'000'000},
    {"WINBOND W25X40A", 0xEF, 0x12, false, 0, 0, 512 * kKiB, 1'500, 4'000'000},
    {"WINBOND W25X80A", 0xEF, 0x13, false, 0, 0, 1 * kMiB, 1'500, 6'000'000},
    {"WINBOND W25Q16V", 0xEF, 0x14, false, 0, 0, 2 * kMiB, 1'500, 10'000'000},
    {"MACRONIX MX25L4005A", 0xC2, 0x12, false, 0, 0, 512 * kKiB, 1'400, 4'000'000},
});

constexpr BYTE kPageProgram = 0x02;
constexpr BYTE kReadData = 0x03;
constexpr BYTE kWriteDisable = 0x04;
constexpr BYTE kReadStatus = 0x05;
constexpr BYTE kWriteEnable = 0x06;
constexpr BYTE kSecondId = 0x15;
constexpr BYTE kChipErase = 0xC7;
constexpr BYTE kChipEraseAlternative = 0x60;
constexpr BYTE kManufacturerDeviceId = 0x90;

constexpr BYTE kStatusBusy = 0x01;
constexpr BYTE kStatusWriteEnabled = 0x02;
constexpr std::uint32_t kAddressBytes = 3;

}  // namespace

std::span<const SpiChipModel> SpiChipModels() {
    return kModels;
}

const SpiChipModel* FindSpiChipModel(std::string_view name) {
    for (const SpiChipModel& model : kModels) {
        if (name == model.pszName) {
            return &model;
        }
    }
    return nullptr;
}

CSpiFlashChip::CSpiFlashChip(const SpiChipModel& model)
    : m_pModel(&model), m_contents(model.nSize, 0xFF) {}

void CSpiFlashChip::SetContents(std::span<const BYTE> contents) {
    const std::size_t nCopied = std::min(contents.size(), m_contents.size());
    std::copy_n(contents.begin(), nCopied, m_contents.begin());
    std::fill(m_contents.begin() + static_cast<std::ptrdiff_t>(nCopied), m_contents.end(), 0xFF);
}

void CSpiFlashChip::PowerCycle() {
    m_bSelected = false;
    m_bWriteEnabled = false;
    m_nBusyUntil = 0;
}

BYTE CSpiFlashChip::StatusRegister(std::uint64_t nNow) const {
    // The write-enable latch clears only when the operation it allowed ends.
    if (IsBusy(nNow)) {
        return kStatusBusy | kStatusWriteEnabled;
    }
    return m_bWriteEnabled ? kStatusWriteEnabled : BYTE{0};
}

void CSpiFlashChip::Select(std::uint64_t nNow) {
    (void)nNow;
    if (m_bSelected) {
        return;
    }
    m_bSelected = true;
    m_bIgnored = false;
    m_nBytes = 0;
    m_nAddress = 0;
}

BYTE CSpiFlashChip::Transfer(BYTE nIn, std::uint64_t nNow) {
    if (!m_bSelected) {
        return 0xFF;
    }
    const std::uint32_t nIndex = m_nBytes++;
    if (nIndex == 0) {
        m_nCommand = nIn;
        // While it writes or erases the chip only answers status reads.
        m_bIgnored = IsBusy(nNow) && nIn != kReadStatus;
        if (m_bIgnored) {
            ++m_counters.nIgnoredCommands;
        }
        m_page.fill(0xFF);
        return 0xFF;
    }
    if (m_bIgnored) {
        return 0xFF;
    }
    const bool bAddressByte = nIndex <= kAddressBytes;
    switch (m_nCommand) {
        case kReadStatus:
            return StatusRegister(nNow);
        case kManufacturerDeviceId:
        case kReadData:
        case kPageProgram:
            if (bAddressByte) {
                m_nAddress = (m_nAddress << 8 | nIn) % m_pModel->nSize;
                return 0xFF;
            }
            break;
        case kSecondId:
            return IdentificationByte(nIndex - 1);
        default:
            return 0xFF;
    }
    const std::uint32_t nData = nIndex - kAddressBytes - 1;
    switch (m_nCommand) {
        case kManufacturerDeviceId:
            // Address bit 0 chooses which code comes first; they alternate.
            return IdentificationByte(nData + (m_nAddress & 1));
        case kReadData: {
            const BYTE nValue = m_contents[m_nAddress];
            m_nAddress = (m_nAddress + 1) % m_pModel->nSize;
            return nValue;
        }
        default:
            // Page program: past the end of the page the address wraps to its
            // start, so the last 256 bytes sent are the ones kept.
            m_page[(m_nAddress + nData) % kPageSize] = nIn;
            return 0xFF;
    }
}

BYTE CSpiFlashChip::IdentificationByte(std::uint32_t nIndex) const {
    if (m_nCommand == kSecondId) {
        if (!m_pModel->bAnswersSecondId) {
            return 0xFF;
        }
        return nIndex % 2 == 0 ? m_pModel->nSecondManufacturer : m_pModel->nSecondDevice;
    }
    return nIndex % 2 == 0 ? m_pModel->nManufacturer : m_pModel->nDevice;
}

void CSpiFlashChip::Deselect(std::uint64_t nNow) {
    if (!m_bSelected) {
        return;
    }
    m_bSelected = false;
    if (m_bIgnored || m_nBytes == 0) {
        return;
    }
    // A write command counts only when the chip is deselected right after
    // its last byte: the command byte alone, or the address and some data.
    switch (m_nCommand) {
        case kWriteEnable:
            if (m_nBytes == 1) {
                m_bWriteEnabled = true;
            }
            return;
        case kWriteDisable:
            if (m_nBytes == 1) {
                m_bWriteEnabled = false;
            }
            return;
        case kChipErase:
        case kChipEraseAlternative:
            if (m_nBytes != 1 || !m_bWriteEnabled) {
                ++m_counters.nIgnoredCommands;
                return;
            }
            StartBusy(nNow, m_pModel->nChipEraseMicroseconds);
            m_work.Begin(CellWork::Erase, 0, m_contents, nNow, m_nBusyUntil);
            std::fill(m_contents.begin(), m_contents.end(), 0xFF);
            ++m_counters.nChipErases;
            return;
        case kPageProgram:
            if (m_nBytes <= kAddressBytes + 1 || !m_bWriteEnabled) {
                ++m_counters.nIgnoredCommands;
                return;
            }
            StartBusy(nNow, m_pModel->nPageProgramMicroseconds);
            m_work.Begin(
                CellWork::Program, m_nAddress / kPageSize * kPageSize,
                std::span(m_contents).subspan(m_nAddress / kPageSize * kPageSize, kPageSize), nNow,
                m_nBusyUntil);
            ProgramPage();
            return;
        default:
            return;
    }
}

void CSpiFlashChip::ProgramPage() {
    const std::uint32_t nBase = m_nAddress / kPageSize * kPageSize;
    for (std::uint32_t i = 0; i < kPageSize; ++i) {
        BYTE& nCell = m_contents[nBase + i];
        nCell = static_cast<BYTE>(nCell & m_page[i]);
    }
    ++m_counters.nPagesProgrammed;
}

void CSpiFlashChip::StartBusy(std::uint64_t nNow, std::uint32_t nMicroseconds) {
    m_bWriteEnabled = false;
    m_nBusyUntil = nNow + nMicroseconds;
    m_counters.nBusyMicroseconds += nMicroseconds;
}

}  // namespace rf::emu
