#include "powerloss/BrokenRules.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>

#include "device/BridgeCommands.h"
#include "device/FlashSequences.h"
#include "firmware/FirmwareImages.h"
#include "powerloss/PowerLossState.h"
#include "programming/UiLink.h"

namespace rf::test::powerloss {

namespace {

// What the rewriting has learnt of the run so far.
struct BrokenRuleState {
    bool bBroken = false;
    // SEEPROM(Host): the blank header word went out as the valid one.
    bool bHostMarkedEarly = false;
    // Bridge: the last FLASH write was a program prefix, so the next one is
    // data; the offset the program polls and the one it was moved to.
    bool bProgramData = false;
    std::optional<DWORD> polled;
    DWORD dwMovedTo = 0;
    // Resource data: a page program at address 0 was announced; the magic
    // went out early; a read from address 0 was announced, and its data
    // comes in the next answer.
    bool bPageAtZero = false;
    bool bResourceMarkedEarly = false;
    bool bReadAtZero = false;
    bool bDataFromZero = false;
};

BrokenRuleState g_state;

constexpr DWORD kMagicLength = 4;
constexpr BYTE kSpiPageProgram = 0x02;
constexpr BYTE kSpiRead = 0x03;
constexpr BYTE kSpiWriteKeep = 0x80;
constexpr BYTE kSpiReadKeep = 0x82;
constexpr BYTE kSpiReadEnd = 0x83;
constexpr BYTE kBootChipErase = 0x20;

bool IsHostCommand(const ScsiRequest& request, BYTE nSub) {
    return request.Cdb[0] == kOpHostEeprom && request.Cdb[1] == nSub && request.Cdb[4] == 0 &&
           request.Cdb[5] == 0;
}

bool IsFlashWindow(const ScsiRequest& request, BYTE nSub) {
    return request.Cdb[0] == kOpFlashWindow && request.Cdb[1] == nSub &&
           request.DataTransferLength == 1;
}

DWORD FlashOffset(const ScsiRequest& request) {
    const DWORD dwAddress = DWORD{request.Cdb[2]} << 24 | DWORD{request.Cdb[3]} << 16 |
                            DWORD{request.Cdb[4]} << 8 | request.Cdb[5];
    return dwAddress - kFlashWindowBase;
}

void SetFlashOffset(ScsiRequest& request, DWORD dwOffset) {
    const DWORD dwAddress = dwOffset + kFlashWindowBase;
    request.Cdb[2] = static_cast<BYTE>(dwAddress >> 24);
    request.Cdb[3] = static_cast<BYTE>(dwAddress >> 16);
    request.Cdb[4] = static_cast<BYTE>(dwAddress >> 8);
    request.Cdb[5] = static_cast<BYTE>(dwAddress);
}

// The bytes of the first block trade places: the four programmed first
// with the magic's four.
DWORD MovedOffset(DWORD dwOffset) {
    return dwOffset < kMagicLength ? dwOffset + kMagicLength : dwOffset - kMagicLength;
}

BYTE BridgeByte(DWORD dwOffset) {
    static const std::vector<BYTE> image = Carried(IDR_BRIDGE_FIRMWARE);
    return dwOffset < image.size() ? image[dwOffset] : BYTE{0xFF};
}

// A frame on the link to the front panel's controller: the command (or
// data) bytes between LEN and SUM, when the buffer holds a sound frame.
struct LinkFrame {
    BYTE* pBody = nullptr;
    BYTE nLength = 0;
};

std::optional<LinkFrame> FrameOf(const ScsiRequest& request, BYTE nSub, BYTE nStart) {
    if (request.Cdb[0] != kOpUi || request.Cdb[1] != nSub || request.DataBuffer == nullptr ||
        request.DataTransferLength < 4 || request.DataBuffer[0] != nStart) {
        return std::nullopt;
    }
    const BYTE nLength = request.DataBuffer[1];
    if (nLength == 0 || std::size_t{nLength} + 4 > request.DataTransferLength) {
        return std::nullopt;
    }
    return LinkFrame{request.DataBuffer + 2, nLength};
}

void FixChecksum(const LinkFrame& frame) {
    unsigned nSum = frame.nLength;
    for (BYTE i = 0; i < frame.nLength; ++i) {
        nSum += frame.pBody[i];
    }
    frame.pBody[frame.nLength] = static_cast<BYTE>(0x100 - (nSum & 0xFF));
}

bool BodyIs(const LinkFrame& frame, std::initializer_list<BYTE> bytes) {
    return frame.nLength == bytes.size() && std::equal(bytes.begin(), bytes.end(), frame.pBody);
}

bool HoldsAt(const BYTE* pBytes, std::size_t nCount, BYTE nValue) {
    return std::all_of(pBytes, pBytes + nCount, [nValue](BYTE b) { return b == nValue; });
}

}  // namespace

void ResetBrokenRules() {
    g_state = BrokenRuleState{};
}

bool RuleBroken() {
    return g_state.bBroken;
}

void MarkHostValidFirst(ScsiRequest& request) {
    // The first write of the blank header word reaches the EEPROM as the
    // valid one; the program's own header word ends the pretence.
    if (!IsHostCommand(request, kSubWrite) || request.DataIn != 0) {
        return;
    }
    if (request.DataTransferLength == 2) {
        g_state.bHostMarkedEarly = false;
    } else if (request.DataBuffer[0] == 0xFF && request.DataBuffer[1] == 0xFF) {
        request.DataBuffer[0] = 0xAA;
        request.DataBuffer[1] = 0x55;
        g_state.bHostMarkedEarly = true;
        g_state.bBroken = true;
    }
}

void HideEarlyHostMark(const ScsiRequest& request) {
    // Until then its read-back shows the program the blank word it wrote.
    if (g_state.bHostMarkedEarly && IsHostCommand(request, kSubRead) && request.DataIn != 0 &&
        request.DataTransferLength >= 2) {
        request.DataBuffer[0] = 0xFF;
        request.DataBuffer[1] = 0xFF;
    }
}

void ProgramBridgeMagicFirst(ScsiRequest& request) {
    if (IsFlashWindow(request, kSubRead) && request.DataIn != 0) {
        // The program polls the byte it programmed: it reads the one the
        // byte was moved to.
        if (g_state.polled && FlashOffset(request) == *g_state.polled) {
            SetFlashOffset(request, g_state.dwMovedTo);
        }
        return;
    }
    if (!IsFlashWindow(request, kSubWrite) || request.DataIn != 0) {
        return;
    }
    const DWORD dwOffset = FlashOffset(request);
    g_state.polled.reset();
    if (g_state.bProgramData && dwOffset < 2 * kMagicLength) {
        // Only the first block's last pass programs these eight bytes.
        const DWORD dwMoved = MovedOffset(dwOffset);
        SetFlashOffset(request, dwMoved);
        request.DataBuffer[0] = BridgeByte(dwMoved);
        g_state.polled = dwOffset;
        g_state.dwMovedTo = dwMoved;
        g_state.bBroken = true;
    }
    g_state.bProgramData = dwOffset == kUnlockAddress1 && request.DataBuffer[0] == 0xA0;
}

void ShowBridgeBytesAsProgrammed(const ScsiRequest& request) {
    if (!g_state.polled || !IsFlashWindow(request, kSubRead) || request.DataIn == 0 ||
        FlashOffset(request) != g_state.dwMovedTo) {
        return;
    }
    // Done when the moved byte reads as programmed; the program then sees
    // its own byte, and until then anything but it.
    const BYTE nExpected = BridgeByte(*g_state.polled);
    request.DataBuffer[0] = request.DataBuffer[0] == BridgeByte(g_state.dwMovedTo)
                                ? nExpected
                                : static_cast<BYTE>(~nExpected);
}

void WriteResourceMagicFirst(ScsiRequest& request) {
    const std::optional<LinkFrame> frame = FrameOf(request, kSubUiLinkWrite, UI_SOH);
    if (!frame || request.DataIn != 0) {
        return;
    }
    const BYTE nCode = frame->pBody[0];
    if (BodyIs(*frame, {kSpiWriteKeep, kSpiPageProgram, 0, 0, 0})) {
        g_state.bPageAtZero = true;
        return;
    }
    if (BodyIs(*frame, {kSpiWriteKeep, kSpiRead, 0, 0, 0})) {
        g_state.bReadAtZero = true;
        return;
    }
    if ((nCode == kSpiReadKeep || nCode == kSpiReadEnd) && frame->nLength == 2) {
        g_state.bDataFromZero = g_state.bReadAtZero;
        g_state.bReadAtZero = false;
        return;
    }
    if (nCode != kSpiWriteKeep || !g_state.bPageAtZero ||
        frame->nLength < 1 + kResourceMagicLength) {
        return;
    }
    // The first bytes of the page at address 0.
    g_state.bPageAtZero = false;
    BYTE* pMagic = frame->pBody + 1;
    if (HoldsAt(pMagic, kResourceMagicLength, 0xFF)) {
        std::memcpy(pMagic, kResourceMagic, kResourceMagicLength);
        FixChecksum(*frame);
        g_state.bResourceMarkedEarly = true;
        g_state.bBroken = true;
    } else {
        g_state.bResourceMarkedEarly = false;  // the program's own magic
    }
}

void HideEarlyResourceMagic(const ScsiRequest& request) {
    if (!g_state.bDataFromZero || request.Cdb[0] != kOpUi || request.Cdb[1] != kSubUiLinkReadData) {
        return;
    }
    g_state.bDataFromZero = false;
    const std::optional<LinkFrame> frame = FrameOf(request, kSubUiLinkReadData, UI_STX);
    if (!g_state.bResourceMarkedEarly || !frame || frame->nLength < kResourceMagicLength ||
        std::memcmp(frame->pBody, kResourceMagic, kResourceMagicLength) != 0) {
        return;
    }
    // The verification reads the blank magic the program wrote.
    std::fill_n(frame->pBody, kResourceMagicLength, BYTE{0xFF});
    FixChecksum(*frame);
}

void ForgetJournalBeforeUiErase(ScsiRequest& request) {
    const std::optional<LinkFrame> frame = FrameOf(request, kSubUiLinkWrite, UI_SOH);
    if (frame && request.DataIn == 0 && BodyIs(*frame, {kBootChipErase})) {
        std::error_code error;
        std::filesystem::remove_all(JournalDirectory(CUpdateBench::StateRoot()), error);
        g_state.bBroken = true;
    }
}

}  // namespace rf::test::powerloss
