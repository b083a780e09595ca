#include <algorithm>
#include <array>
#include <vector>

#include "app/CommandLine.h"
#include "app/Deadline.h"
#include "app/MessageLoop.h"
#include "app/controls/ProgressCtrl.h"
#include "device/BridgeCommands.h"
#include "device/FlashChips.h"
#include "device/FlashSequences.h"
#include "device/ScsiDevice.h"

namespace rf {

namespace {

constexpr UINT kImageAlignment = 512;
constexpr DWORD kSectorSize = 4096;
constexpr DWORD kPageSize = 128;
constexpr DWORD kChipEraseCheckedBytes = 0x10000;
constexpr int kChipEraseRangeStart = -6553;  // the blank check runs below zero
constexpr DWORD kFlashTypeOffset = 0xD2;
constexpr BYTE kAmdFlashType = 2;
constexpr UINT kVerifyChunk = 64;
// The image magic at the start of the first block. Within that block it is
// programmed last, so that a bridge whose power goes while the first block is
// written still finds no firmware and starts in ROM mode, instead of
// starting an image whose first block is half there.
constexpr DWORD kMagicLength = 4;

// The i-th offset to program within a first block of dwBlock bytes: the
// bytes after the magic, then the magic.
DWORD FirstBlockOffset(DWORD i, DWORD dwBlock) {
    return i + kMagicLength < dwBlock ? i + kMagicLength : i + kMagicLength - dwBlock;
}

// Upper bounds of the waits, several times the data-sheet maxima of the
// supported parts (byte program 0.3 ms, 4 KiB sector erase 25 ms, page
// write 20 ms, chip erase well under a minute). A wait that runs out fails.
constexpr std::uint64_t kByteProgramWaitMilliseconds = 50;
constexpr std::uint64_t kSectorEraseWaitMilliseconds = 2'000;
constexpr std::uint64_t kPageWriteWaitMilliseconds = 500;
constexpr std::uint64_t kChipEraseWaitMilliseconds = 240'000;

// The bytes a device may hold differently from the image; the last of them
// is the FLASH-type byte.
bool IsToleratedOffset(DWORD dwOffset) {
    return dwOffset >= 0xD0 && dwOffset <= 0xD2;
}

// One FLASH-ROM write: the firmware path or one of the three ROM-path
// algorithms, then the read-back.
class CFlashRomWriter {
public:
    CFlashRomWriter(CScsiDevice& device, const BYTE* pData, UINT nSize, CProgressCtrl* pProgress)
        : m_device(device), m_pData(pData), m_nSize(nSize), m_pProgress(pProgress) {}

    bool WriteThroughFirmware();
    bool WriteBySectors();
    bool WriteAfterChipErase();
    bool WriteByPages();

private:
    // Image byte, with the bytes past the image taken as erased.
    BYTE ImageByte(DWORD dwOffset) const {
        return dwOffset < m_nSize ? m_pData[dwOffset] : BYTE{0xFF};
    }
    void SetRange(int nLower, int nUpper) {
        if (m_pProgress != nullptr) {
            m_pProgress->SetRange32(nLower, nUpper);
        }
    }
    void SetPos(std::int64_t nPos) {
        if (m_pProgress != nullptr) {
            m_pProgress->SetPos(static_cast<int>(nPos));
        }
    }

    bool WriteByte(DWORD dwOffset, BYTE nValue) {
        return m_device.WriteFlash(dwOffset, &nValue, 1, nullptr);
    }
    // One poll of one byte; false only when the command failed. A refused
    // read leaves bValid false: nothing was learnt.
    bool PollByte(DWORD dwOffset, BYTE& nValue, bool& bValid);
    bool ProgramByteAndWait(DWORD dwOffset, BYTE nValue);
    bool EraseSector(DWORD dwOffset);
    bool WaitBlankBytes(DWORD dwOffset, DWORD dwCount, CPollDeadline& deadline);
    bool WaitPageDone(DWORD dwOffset);
    bool WritePage(DWORD dwOffset);
    // Reads back V bytes and compares them with pExpected.
    bool Verify(UINT nLength, const BYTE* pExpected);

    CScsiDevice& m_device;
    const BYTE* m_pData;
    UINT m_nSize;
    CProgressCtrl* m_pProgress;
};

bool CFlashRomWriter::PollByte(DWORD dwOffset, BYTE& nValue, bool& bValid) {
    if (!m_device.ReadFlash(dwOffset, &nValue, 1, nullptr)) {
        return false;
    }
    bValid = m_device.m_bScsiStatus == 0;
    PumpMessages();
    return true;
}

bool CFlashRomWriter::ProgramByteAndWait(DWORD dwOffset, BYTE nValue) {
    if (!SendFlashCycles(m_device, kProgramPrefix) || !WriteByte(dwOffset, nValue)) {
        return false;
    }
    CPollDeadline deadline(kByteProgramWaitMilliseconds);
    while (deadline.Next()) {
        BYTE nRead = 0;
        bool bValid = false;
        if (!PollByte(dwOffset, nRead, bValid)) {
            return false;
        }
        if (bValid && nRead == nValue) {
            return true;
        }
    }
    return false;
}

bool CFlashRomWriter::EraseSector(DWORD dwOffset) {
    return SendFlashCycles(m_device, kSectorErasePrefix) &&
           WriteByte(dwOffset, kSectorEraseCommand);
}

bool CFlashRomWriter::WaitBlankBytes(DWORD dwOffset, DWORD dwCount, CPollDeadline& deadline) {
    for (DWORD dwAt = dwOffset; dwAt < dwOffset + dwCount; ++dwAt) {
        for (;;) {
            if (!deadline.Next()) {
                return false;
            }
            BYTE nRead = 0;
            bool bValid = false;
            if (!PollByte(dwAt, nRead, bValid)) {
                return false;
            }
            if (bValid && nRead == 0xFF) {
                break;
            }
        }
    }
    return true;
}

bool CFlashRomWriter::WaitPageDone(DWORD dwOffset) {
    // The part toggles a status bit while it writes: done when two reads agree.
    CPollDeadline deadline(kPageWriteWaitMilliseconds);
    while (deadline.Next()) {
        BYTE nFirst = 0;
        BYTE nSecond = 0;
        if (!m_device.ReadFlash(dwOffset, &nFirst, 1, nullptr)) {
            return false;
        }
        const bool bFirstValid = m_device.m_bScsiStatus == 0;
        if (!m_device.ReadFlash(dwOffset, &nSecond, 1, nullptr)) {
            return false;
        }
        const bool bSecondValid = m_device.m_bScsiStatus == 0;
        PumpMessages();
        if (bFirstValid && bSecondValid && nFirst == nSecond) {
            return true;
        }
    }
    return false;
}

bool CFlashRomWriter::WritePage(DWORD dwOffset) {
    std::array<BYTE, kPageSize> page;
    for (DWORD i = 0; i < kPageSize; ++i) {
        page[i] = ImageByte(dwOffset + i);
    }
    return SendFlashCycles(m_device, kProgramPrefix) &&
           m_device.WriteFlash(dwOffset, page.data(), kPageSize, nullptr) &&
           WaitPageDone(dwOffset + kPageSize - 1);
}

bool CFlashRomWriter::Verify(UINT nLength, const BYTE* pExpected) {
    const DWORD dwBase = m_device.m_dwFlashBase;
    std::int64_t nPos = nLength;
    UINT nOffset = 0;
    UINT nLeft = nLength;
    while (nLeft != 0) {
        // A last single byte still travels as a two-byte transfer; only that
        // byte is compared and nothing past the image is read.
        const UINT nRead = nLeft > kVerifyChunk ? kVerifyChunk : std::max<UINT>(nLeft, 2);
        const UINT nCompared = std::min(nRead, nLeft);
        SetPos(nPos);
        std::array<BYTE, kVerifyChunk> answer{};
        const CommandBlock block =
            FlashWindowBlock(kSubRead, dwBase + nOffset, static_cast<WORD>(nRead));
        if (!m_device.ScsiPassThrough(block.data(), 10, true, answer.data(), nRead)) {
            return false;
        }
        // A refused read proves nothing about the FLASH: it cannot pass.
        if (m_device.m_bScsiStatus != 0) {
            return false;
        }
        for (UINT i = 0; i < nCompared; ++i) {
            if (answer[i] != pExpected[nOffset + i] && !IsToleratedOffset(nOffset + i)) {
                return false;
            }
        }
        PumpMessages();
        nOffset += nCompared;
        nPos += nCompared;
        nLeft -= nCompared;
    }
    SetPos(nPos);
    return true;
}

bool CFlashRomWriter::WriteThroughFirmware() {
    const UINT nPadded = (m_nSize + kImageAlignment - 1) / kImageAlignment * kImageAlignment;
    if (m_pProgress != nullptr) {
        m_pProgress->SetRange32(0, static_cast<int>(2 * nPadded));
        m_pProgress->SetPos(0);
        m_pProgress->UpdateWindow();  // the next command blocks for a long time
    }
    std::vector<BYTE> padded(nPadded, 0xFF);
    std::copy_n(m_pData, m_nSize, padded.begin());
    if (m_device.m_pFlashChip == nullptr && theCmdInfo.m_bForceAmdRom &&
        nPadded > kFlashTypeOffset) {
        padded[kFlashTypeOffset] = kAmdFlashType;
    }
    if (!m_device.ScsiPassThrough(kFlashImageBlock.data(), 10, false, padded.data(), nPadded)) {
        return false;
    }
    // The padded copy holds the image and 0xFF after it, which is what the
    // caller's buffer holds there too.
    return Verify(nPadded, padded.data());
}

bool CFlashRomWriter::WriteBySectors() {
    const std::int64_t n = m_nSize;
    SetRange(0, static_cast<int>(2 * n));
    {
        CPollDeadline deadline(kSectorEraseWaitMilliseconds);
        if (!EraseSector(0) || !WaitBlankBytes(0, kSectorSize, deadline)) {
            return false;
        }
    }
    for (DWORD a = kSectorSize; a < m_nSize; ++a) {
        SetPos(a - kSectorSize);
        if (a % kSectorSize == 0) {
            CPollDeadline deadline(kSectorEraseWaitMilliseconds);
            if (!EraseSector(a) || !WaitBlankBytes(a, kSectorSize, deadline)) {
                return false;
            }
        }
        if (!ProgramByteAndWait(a, m_pData[a])) {
            return false;
        }
    }
    // The first sector last: until it is written the bridge starts in ROM mode.
    for (DWORD i = 0; i < kSectorSize; ++i) {
        SetPos(n - kSectorSize + i);
        const DWORD a = FirstBlockOffset(i, kSectorSize);
        if (!ProgramByteAndWait(a, ImageByte(a))) {
            return false;
        }
    }
    return Verify(m_nSize, m_pData);
}

bool CFlashRomWriter::WriteAfterChipErase() {
    const std::int64_t n = m_nSize;
    SetRange(kChipEraseRangeStart, static_cast<int>(2 * n));
    if (!SendFlashCycles(m_device, kChipErase)) {
        return false;
    }
    CPollDeadline deadline(kChipEraseWaitMilliseconds);
    std::array<BYTE, kVerifyChunk> block;
    for (DWORD o = 0; o < kChipEraseCheckedBytes; o += kVerifyChunk) {
        SetPos((static_cast<std::int64_t>(o) - static_cast<std::int64_t>(kChipEraseCheckedBytes)) /
               10);
        for (;;) {
            if (!deadline.Next()) {
                return false;
            }
            block.fill(0);
            if (!m_device.ReadFlash(o, block.data(), kVerifyChunk, nullptr)) {
                return false;
            }
            const bool bValid = m_device.m_bScsiStatus == 0;
            PumpMessages();
            if (bValid &&
                std::all_of(block.begin(), block.end(), [](BYTE b) { return b == 0xFF; })) {
                break;
            }
        }
    }
    for (DWORD a = kPageSize; a < m_nSize; ++a) {
        SetPos(a - kPageSize);
        if (!ProgramByteAndWait(a, m_pData[a])) {
            return false;
        }
        PumpMessages();
    }
    for (DWORD i = 0; i < kPageSize; ++i) {
        SetPos(n - kPageSize + i);
        const DWORD a = FirstBlockOffset(i, kPageSize);
        if (!ProgramByteAndWait(a, ImageByte(a))) {
            return false;
        }
        PumpMessages();
    }
    return Verify(m_nSize, m_pData);
}

bool CFlashRomWriter::WriteByPages() {
    SetRange(0, static_cast<int>(2 * static_cast<std::int64_t>(m_nSize)));
    // Loading a page with 0xFF everywhere blanks it: the first page stays
    // blank until everything else is written.
    if (!SendFlashCycles(m_device, kProgramPrefix)) {
        return false;
    }
    for (DWORD o = 0; o < kPageSize; ++o) {
        if (!WriteByte(o, 0xFF)) {
            return false;
        }
    }
    if (!WaitPageDone(kPageSize - 1)) {
        return false;
    }
    for (DWORD p = kPageSize; p < m_nSize; p += kPageSize) {
        SetPos(p - kPageSize);
        if (!WritePage(p)) {
            return false;
        }
    }
    return WritePage(0) && Verify(m_nSize, m_pData);
}

}  // namespace

bool CScsiDevice::WriteFlashRom(const BYTE* pData, UINT nSize, CProgressCtrl* pProgress) {
    if (pData == nullptr || nSize == 0 || nSize > kMaxTransferLength / 2) {
        return false;
    }
    CFlashRomWriter writer(*this, pData, nSize, pProgress);
    if (!m_bRomMode) {
        return writer.WriteThroughFirmware();
    }
    if (m_pFlashChip == nullptr) {
        return false;  // nothing is sent to a chip we do not know
    }
    switch (m_pFlashChip->nAlgorithm) {
        case FLASH_SECTOR_ERASE:
            return writer.WriteBySectors();
        case FLASH_CHIP_ERASE:
            return writer.WriteAfterChipErase();
        case FLASH_PAGE_WRITE:
            return writer.WriteByPages();
        default:
            return false;
    }
}

}  // namespace rf
