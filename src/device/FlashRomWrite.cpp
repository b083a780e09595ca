#include <algorithm>
#include <array>
#include <vector>

#include "base/Deadline.h"
#include "base/Progress.h"
#include "device/BridgeCommands.h"
#include "device/FlashChips.h"
#include "device/FlashRomCheck.h"
#include "device/FlashSequences.h"
#include "device/FrontEndPump.h"
#include "device/ScsiDevice.h"

namespace rf {

namespace {

// The chip-erase algorithm checks the first 64 KiB for blank and holds back
// its first 128 bytes, whatever the size of the part.
constexpr DWORD kChipEraseCheckedBytes = 0x10000;
constexpr DWORD kChipEraseFirstBlock = 128;
constexpr int kChipEraseRangeStart = -6553;  // the blank check runs below zero
constexpr DWORD kFlashTypeOffset = 0xD2;
constexpr BYTE kAmdFlashType = 2;
constexpr UINT kVerifyChunk = kWindowChunk;
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

// The limits of the waits follow what each waits for (see WaitLimitMilliseconds):
// a byte program or a page write is one part's worst case plus the polls on
// the slowest link; an erase is waited for at the first byte (or block) it
// covers, and every later byte of the blank check gets a limit of its own,
// so that the limit grows with the bytes checked.
constexpr std::uint64_t kMicrosecondsPerMillisecond = 1000;
constexpr std::uint64_t kPollCommands = 1;        // one read a poll
constexpr std::uint64_t kTogglePollCommands = 2;  // two reads that must agree

std::uint64_t ByteProgramLimit(const FlashChipInfo& chip) {
    return WaitLimitMilliseconds(chip.nByteProgramMicroseconds, kPollCommands);
}
std::uint64_t PageWriteLimit(const FlashChipInfo& chip) {
    return WaitLimitMilliseconds(chip.nPageWriteMilliseconds * kMicrosecondsPerMillisecond,
                                 kTogglePollCommands);
}
std::uint64_t SectorEraseLimit(const FlashChipInfo& chip) {
    return WaitLimitMilliseconds(chip.nSectorEraseMilliseconds * kMicrosecondsPerMillisecond,
                                 kPollCommands);
}
std::uint64_t ChipEraseLimit(const FlashChipInfo& chip) {
    return WaitLimitMilliseconds(chip.nChipEraseMilliseconds * kMicrosecondsPerMillisecond,
                                 kPollCommands);
}
// A byte or block of an erased area, once the erase is over.
constexpr std::uint64_t kErasedReadLimit = WaitLimitMilliseconds(0, kPollCommands);

// A page-write part takes each next byte of a page only within its
// byte-load window (150 us) of the last; a longer pause starts the write
// with what it has. A turn for the front end there (a repaint, a timer of
// the window) can take far longer, so from a page's prefix to its last byte
// the front end waits; it gets its turn in the wait for the page.
class CNoFrontEndTurn final : public IFrontEndPump {
public:
    void Pump() override {}
};

// One FLASH-ROM write: the firmware path or one of the three ROM-path
// algorithms, then the read-back.
class CFlashRomWriter {
public:
    CFlashRomWriter(CScsiDevice& device, const BYTE* pData, UINT nSize, IProgress* pProgress)
        : m_device(device), m_pData(pData), m_nSize(nSize), m_pProgress(pProgress) {}

    // The ROM-path algorithms work on the identified chip.
    void SetChip(const FlashChipInfo& chip) { m_pChip = &chip; }

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
    // The first byte waits for the erase itself, each later one for a read.
    bool WaitBlankBytes(DWORD dwOffset, DWORD dwCount, std::uint64_t nEraseLimit);
    bool WaitPageDone(DWORD dwOffset);
    // The prefix and the page's bytes (in 64-byte commands, or one command
    // a byte), with no turn for the front end between.
    bool LoadPage(DWORD dwOffset, const std::vector<BYTE>& page, bool bByteByByte);
    bool WritePage(DWORD dwOffset);
    // Reads back V bytes and compares them with pExpected.
    bool Verify(UINT nLength, const BYTE* pExpected);

    CScsiDevice& m_device;
    const BYTE* m_pData;
    UINT m_nSize;
    IProgress* m_pProgress;
    const FlashChipInfo* m_pChip = nullptr;
};

bool CFlashRomWriter::PollByte(DWORD dwOffset, BYTE& nValue, bool& bValid) {
    if (!m_device.ReadFlash(dwOffset, &nValue, 1, nullptr)) {
        return false;
    }
    bValid = m_device.m_bScsiStatus == 0;
    PumpFrontEnd();
    return true;
}

bool CFlashRomWriter::ProgramByteAndWait(DWORD dwOffset, BYTE nValue) {
    if (!SendFlashCycles(m_device, kProgramPrefix) || !WriteByte(dwOffset, nValue)) {
        return false;
    }
    CPollDeadline deadline(ByteProgramLimit(*m_pChip));
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

bool CFlashRomWriter::WaitBlankBytes(DWORD dwOffset, DWORD dwCount, std::uint64_t nEraseLimit) {
    for (DWORD dwAt = dwOffset; dwAt < dwOffset + dwCount; ++dwAt) {
        CPollDeadline deadline(dwAt == dwOffset ? nEraseLimit : kErasedReadLimit);
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
    CPollDeadline deadline(PageWriteLimit(*m_pChip));
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
        PumpFrontEnd();
        if (bFirstValid && bSecondValid && nFirst == nSecond) {
            return true;
        }
    }
    return false;
}

bool CFlashRomWriter::WritePage(DWORD dwOffset) {
    const DWORD dwPage = m_pChip->dwPageSize;
    std::vector<BYTE> page(dwPage);
    for (DWORD i = 0; i < dwPage; ++i) {
        page[i] = ImageByte(dwOffset + i);
    }
    if (!LoadPage(dwOffset, page, false)) {
        return false;
    }
    PumpFrontEnd();
    return WaitPageDone(dwOffset + dwPage - 1);
}

bool CFlashRomWriter::LoadPage(DWORD dwOffset, const std::vector<BYTE>& page, bool bByteByByte) {
    CNoFrontEndTurn noTurn;
    const CScopedFrontEndPump held(noTurn);
    if (!SendFlashCycles(m_device, kProgramPrefix)) {
        return false;
    }
    if (!bByteByByte) {
        return m_device.WriteFlash(dwOffset, page.data(), static_cast<UINT>(page.size()), nullptr);
    }
    for (DWORD o = 0; o < page.size(); ++o) {
        if (!WriteByte(dwOffset + o, page[o])) {
            return false;
        }
    }
    return true;
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
            if (answer[i] != pExpected[nOffset + i] && !IsToleratedFlashOffset(nOffset + i)) {
                return false;
            }
        }
        PumpFrontEnd();
        nOffset += nCompared;
        nPos += nCompared;
        nLeft -= nCompared;
    }
    SetPos(nPos);
    return true;
}

bool CFlashRomWriter::WriteThroughFirmware() {
    const UINT nPadded =
        (m_nSize + kFlashImageAlignment - 1) / kFlashImageAlignment * kFlashImageAlignment;
    if (nPadded > kFlashImageMax) {
        return false;  // longer than any image the program holds: nothing is sent
    }
    if (m_pProgress != nullptr) {
        m_pProgress->SetRange32(0, static_cast<int>(2 * nPadded));
        m_pProgress->SetPos(0);
        m_pProgress->UpdateWindow();  // the next command blocks for a long time
    }
    std::vector<BYTE> padded(nPadded, 0xFF);
    std::copy_n(m_pData, m_nSize, padded.begin());
    if (m_device.m_pFlashChip == nullptr && m_device.m_bForceAmdRom && nPadded > kFlashTypeOffset) {
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
    const DWORD dwSector = m_pChip->dwSectorSize;
    const std::uint64_t nEraseLimit = SectorEraseLimit(*m_pChip);
    SetRange(0, static_cast<int>(2 * n));
    if (!EraseSector(0) || !WaitBlankBytes(0, dwSector, nEraseLimit)) {
        return false;
    }
    for (DWORD a = dwSector; a < m_nSize; ++a) {
        SetPos(a - dwSector);
        if (a % dwSector == 0 && (!EraseSector(a) || !WaitBlankBytes(a, dwSector, nEraseLimit))) {
            return false;
        }
        if (!ProgramByteAndWait(a, m_pData[a])) {
            return false;
        }
    }
    // The first sector last: until it is written the bridge starts in ROM mode.
    for (DWORD i = 0; i < dwSector; ++i) {
        SetPos(n - dwSector + i);
        const DWORD a = FirstBlockOffset(i, dwSector);
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
    std::array<BYTE, kVerifyChunk> block;
    for (DWORD o = 0; o < kChipEraseCheckedBytes; o += kVerifyChunk) {
        SetPos((static_cast<std::int64_t>(o) - static_cast<std::int64_t>(kChipEraseCheckedBytes)) /
               10);
        // The first block waits for the erase, each later one for a read.
        CPollDeadline deadline(o == 0 ? ChipEraseLimit(*m_pChip) : kErasedReadLimit);
        for (;;) {
            if (!deadline.Next()) {
                return false;
            }
            block.fill(0);
            if (!m_device.ReadFlash(o, block.data(), kVerifyChunk, nullptr)) {
                return false;
            }
            const bool bValid = m_device.m_bScsiStatus == 0;
            PumpFrontEnd();
            if (bValid &&
                std::all_of(block.begin(), block.end(), [](BYTE b) { return b == 0xFF; })) {
                break;
            }
        }
    }
    for (DWORD a = kChipEraseFirstBlock; a < m_nSize; ++a) {
        SetPos(a - kChipEraseFirstBlock);
        if (!ProgramByteAndWait(a, m_pData[a])) {
            return false;
        }
        PumpFrontEnd();
    }
    for (DWORD i = 0; i < kChipEraseFirstBlock; ++i) {
        SetPos(n - kChipEraseFirstBlock + i);
        const DWORD a = FirstBlockOffset(i, kChipEraseFirstBlock);
        if (!ProgramByteAndWait(a, ImageByte(a))) {
            return false;
        }
        PumpFrontEnd();
    }
    return Verify(m_nSize, m_pData);
}

bool CFlashRomWriter::WriteByPages() {
    const DWORD dwPage = m_pChip->dwPageSize;
    SetRange(0, static_cast<int>(2 * static_cast<std::int64_t>(m_nSize)));
    // Loading a page with 0xFF everywhere blanks it: the first page stays
    // blank until everything else is written. Its bytes go one command each.
    if (!LoadPage(0, std::vector<BYTE>(dwPage, 0xFF), true)) {
        return false;
    }
    PumpFrontEnd();
    if (!WaitPageDone(dwPage - 1)) {
        return false;
    }
    for (DWORD p = dwPage; p < m_nSize; p += dwPage) {
        SetPos(p - dwPage);
        if (!WritePage(p)) {
            return false;
        }
    }
    return WritePage(0) && Verify(m_nSize, m_pData);
}

}  // namespace

bool CScsiDevice::WriteFlashRom(const BYTE* pData, UINT nSize, IProgress* pProgress) {
    if (pData == nullptr || nSize == 0 || nSize > kMaxTransferLength / 2) {
        return false;
    }
    CFlashRomWriter writer(*this, pData, nSize, pProgress);
    if (!m_bRomMode) {
        return writer.WriteThroughFirmware();
    }
    // Nothing is sent to a chip we do not know, nor anything the chip or the
    // link cannot take.
    if (m_pFlashChip == nullptr || FlashRomRefusal(*this, nSize) != 0) {
        return false;
    }
    writer.SetChip(*m_pFlashChip);
    switch (m_pFlashChip->nAlgorithm) {
        case FLASH_SECTOR_ERASE:
            return writer.WriteBySectors();
        case FLASH_CHIP_ERASE:
            return writer.WriteAfterChipErase();
        case FLASH_PAGE_WRITE:
            return writer.WriteByPages();
    }
    return false;
}

}  // namespace rf
