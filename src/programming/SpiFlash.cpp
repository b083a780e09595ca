#include "programming/SpiFlash.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "base/Clock.h"
#include "base/Deadline.h"
#include "base/Progress.h"
#include "device/FrontEndPump.h"
#include "device/ScsiDevice.h"
#include "programming/UiLink.h"

namespace rf {

namespace {

constexpr DWORD kKiB = 1024;

constexpr SpiFlashChipInfo g_spiFlashChips[] = {
    {0x10EF, u"WINBOND W25X10A", 128 * kKiB, 3'000, 4'000},
    {0x11EF, u"WINBOND W25X20A", 256 * kKiB, 3'000, 6'000},
    {0x12EF, u"WINBOND W25X40A", 512 * kKiB, 3'000, 10'000},
    {0x13EF, u"WINBOND W25X80A", 1024 * kKiB, 3'000, 20'000},
    {0x14EF, u"WINBOND W25Q16V", 2048 * kKiB, 3'000, 40'000},
};

// The identification commands, asked in this order until one answers a
// code of the table.
struct IdCommand {
    std::array<BYTE, 4> bytes;
    WORD nLength;
};
constexpr IdCommand kIdCommands[] = {
    {{0x90, 0x00, 0x00, 0x00}, 4},
    {{0x15}, 1},
};
constexpr WORD kNoChip = 0xFFFF;

constexpr BYTE kPageProgram = 0x02;
constexpr BYTE kReadData = 0x03;
constexpr BYTE kReadStatus = 0x05;
constexpr BYTE kWriteEnable = 0x06;
constexpr BYTE kChipErase = 0xC7;
constexpr BYTE kStatusBusy = 0x01;
// The frame that ends a selection: an SPI transfer of no bytes.
constexpr BYTE kDeselect = 0x81;

constexpr UINT kPageSize = 256;
constexpr UINT kVerifyBlock = 64;
constexpr WORD kVerifyFirstRead = 60;  // the largest read the firmware answers
constexpr WORD kHeaderLength = 16;
constexpr std::array<BYTE, 8> kResourceMagic = {'R', 'E', 'S', 'O', 'U', 'R', 'C', 'E'};

constexpr DWORD kEraseStartMilliseconds = 100;
// One status poll through the controller: the read-status command and its
// acknowledgement, the read frame and its answer.
constexpr std::uint64_t kStatusPollCommands = 4;
constexpr std::uint64_t kMicrosecondsPerMillisecond = 1000;

// The limits of the busy waits: the chip's own worst case plus a poll on
// the slowest link, with margin (see WaitLimitMilliseconds).
std::uint64_t PageProgramLimit(const SpiFlashChipInfo& chip) {
    return WaitLimitMilliseconds(chip.nPageProgramMicroseconds, kStatusPollCommands);
}
std::uint64_t ChipEraseLimit(const SpiFlashChipInfo& chip) {
    return WaitLimitMilliseconds(chip.nChipEraseMilliseconds * kMicrosecondsPerMillisecond,
                                 kStatusPollCommands);
}

bool SendSpi(CScsiDevice* pDevice, std::initializer_list<BYTE> bytes, bool bKeepSelected) {
    return SpiWrite(pDevice, bytes.begin(), static_cast<WORD>(bytes.size()), bKeepSelected);
}

// True when a chip is known, identifying it first if need be.
bool IsChipUsable(CScsiDevice* pDevice) {
    if (pDevice->m_pSpiFlashChip == nullptr) {
        IdentifySpiFlash(pDevice);
    }
    return pDevice->m_pSpiFlashChip != nullptr;
}

// Waits are made only once a chip is known, whose worst case sets the limit.
bool WaitWhileBusy(CScsiDevice* pDevice, std::uint64_t (*pLimit)(const SpiFlashChipInfo&)) {
    if (pDevice->m_pSpiFlashChip == nullptr) {
        return false;
    }
    CPollDeadline deadline(pLimit(*pDevice->m_pSpiFlashChip));
    while (deadline.Next()) {
        BYTE nStatus = 0xFF;
        if (!ReadSpiStatus(pDevice, &nStatus)) {
            return false;
        }
        if ((nStatus & kStatusBusy) == 0) {
            return true;
        }
        PumpFrontEnd();
    }
    return false;
}

bool EraseChip(CScsiDevice* pDevice) {
    if (!SendSpi(pDevice, {kWriteEnable}, false) || !SendSpi(pDevice, {kChipErase}, false)) {
        return false;
    }
    SleepPumping(kEraseStartMilliseconds);
    return WaitWhileBusy(pDevice, ChipEraseLimit);
}

void SetProgressRange(IProgress* pProgress, UINT nSize) {
    if (pProgress != nullptr) {
        pProgress->SetRange32(0, static_cast<int>(std::min<UINT>(nSize, INT32_MAX)));
    }
}

void SetProgressPos(IProgress* pProgress, UINT nPos) {
    if (pProgress != nullptr) {
        pProgress->SetPos(static_cast<int>(std::min<UINT>(nPos, INT32_MAX)));
    }
}

}  // namespace

std::span<const SpiFlashChipInfo> SpiFlashChips() {
    return g_spiFlashChips;
}

const SpiFlashChipInfo* FindSpiFlashChip(WORD wId) {
    const auto it = std::find_if(std::begin(g_spiFlashChips), std::end(g_spiFlashChips),
                                 [wId](const SpiFlashChipInfo& chip) { return chip.wId == wId; });
    return it != std::end(g_spiFlashChips) ? &*it : nullptr;
}

WORD IdentifySpiFlash(CScsiDevice* pDevice) {
    pDevice->m_pSpiFlashChip = nullptr;
    pDevice->m_wSpiFlashId = kNoChip;
    for (const IdCommand& command : kIdCommands) {
        std::array<BYTE, 2> codes = {0xFF, 0xFF};
        if (!SpiWrite(pDevice, command.bytes.data(), command.nLength, true) ||
            !SpiRead(pDevice, codes.data(), 2, false)) {
            pDevice->m_wSpiFlashId = kNoChip;
            return kNoChip;
        }
        pDevice->m_wSpiFlashId = static_cast<WORD>(codes[0] | codes[1] << 8);
        pDevice->m_pSpiFlashChip = FindSpiFlashChip(pDevice->m_wSpiFlashId);
        if (pDevice->m_pSpiFlashChip != nullptr) {
            return pDevice->m_wSpiFlashId;
        }
    }
    return kNoChip;
}

bool ReadSpiStatus(CScsiDevice* pDevice, BYTE* pStatus) {
    return IsChipUsable(pDevice) && SendSpi(pDevice, {kReadStatus}, true) &&
           SpiRead(pDevice, pStatus, 1, false);
}

bool ProgramSpiPage(CScsiDevice* pDevice, DWORD dwAddress, const BYTE* pPage) {
    return IsChipUsable(pDevice) &&
           SendSpi(pDevice,
                   {kPageProgram, static_cast<BYTE>(dwAddress >> 16),
                    static_cast<BYTE>(dwAddress >> 8), static_cast<BYTE>(dwAddress)},
                   true) &&
           SpiWrite(pDevice, pPage, kPageSize, false);
}

bool WriteSpiFlash(CScsiDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize) {
    if (!IsChipUsable(pDevice)) {
        return false;
    }
    SetProgressRange(pProgress, nSize);
    if (nSize == 0) {
        return true;
    }
    if (pData == nullptr) {
        return false;
    }
    std::array<BYTE, kPageSize> page;
    for (UINT nPos = 0; nPos < nSize;) {
        SetProgressPos(pProgress, nPos);
        // One erase of the whole chip, which leaves the resource magic blank
        // until it is written last.
        if (nPos == 0 && !EraseChip(pDevice)) {
            return false;
        }
        // A last partial page is programmed whole, its tail left blank.
        const UINT nCount = std::min(kPageSize, nSize - nPos);
        page.fill(0xFF);
        std::copy_n(pData + nPos, nCount, page.begin());
        if (!SendSpi(pDevice, {kWriteEnable}, false) ||
            !ProgramSpiPage(pDevice, nPos, page.data()) ||
            !WaitWhileBusy(pDevice, PageProgramLimit)) {
            return false;
        }
        nPos += nCount;
        PumpFrontEnd();
    }
    return true;
}

bool VerifySpiFlash(CScsiDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize) {
    SetProgressRange(pProgress, nSize);
    if (nSize != 0 && pData == nullptr) {
        return false;
    }
    if (!SendSpi(pDevice, {kReadData, 0x00, 0x00, 0x00}, true)) {
        return false;
    }
    // The selection ends whatever the outcome; its answer does not matter.
    auto deselect = [pDevice] {
        static constexpr BYTE kFrame[] = {kDeselect};
        if (SendUiCommandFrame(pDevice, 1, kFrame)) {
            BYTE nAnswer = UI_NO_ANSWER;
            ReceiveUiDataFrame(pDevice, &nAnswer, 1);
        }
    };
    std::array<BYTE, kVerifyBlock> block;
    for (UINT nPos = 0; nPos < nSize; nPos += kVerifyBlock) {
        const UINT nCompared = std::min(kVerifyBlock, nSize - nPos);
        SetProgressPos(pProgress, nPos);
        // Whole blocks are read, the last one too, while the flash stays selected.
        const bool bRead = SpiRead(pDevice, block.data(), kVerifyFirstRead, true) &&
                           SpiRead(pDevice, block.data() + kVerifyFirstRead,
                                   kVerifyBlock - kVerifyFirstRead, true);
        if (!bRead ||
            !std::equal(block.begin(), block.begin() + std::ptrdiff_t{nCompared}, pData + nPos)) {
            deselect();
            return false;
        }
        PumpFrontEnd();
    }
    deselect();
    SetProgressPos(pProgress, nSize);
    return true;
}

bool WriteResourceMagic(CScsiDevice* pDevice) {
    if (!IsChipUsable(pDevice)) {
        return false;
    }
    // Programming 0xFF leaves the rest of the first page as it was written.
    std::array<BYTE, kPageSize> page;
    page.fill(0xFF);
    std::copy(kResourceMagic.begin(), kResourceMagic.end(), page.begin());
    if (!SendSpi(pDevice, {kWriteEnable}, false) || !ProgramSpiPage(pDevice, 0, page.data()) ||
        !WaitWhileBusy(pDevice, PageProgramLimit)) {
        return false;
    }
    PumpFrontEnd();
    return true;
}

bool ReadResourceHeaderSpi(CScsiDevice* pDevice, BYTE* pOut) {
    return SendSpi(pDevice, {kReadData, 0x00, 0x00, 0x00}, true) &&
           SpiRead(pDevice, pOut, kHeaderLength, false);
}

}  // namespace rf
