#include "programming/UiFlash.h"

#include <algorithm>
#include <array>
#include <span>

#include "base/Clock.h"
#include "base/Progress.h"
#include "device/Device.h"
#include "device/FrontEndPump.h"
#include "programming/UiLink.h"

namespace rf {

namespace {

// Commands of the controller's boot mode.
constexpr BYTE kReset = 0x00;
constexpr BYTE kVerify = 0x13;
constexpr BYTE kChipErase = 0x20;
constexpr BYTE kProgram = 0x40;
constexpr std::array<BYTE, 3> kSecurityCommand = {0xA0, 0x00, 0x00};
// The security flag byte and the last block of the boot area.
constexpr std::array<BYTE, 2> kSecurityData = {0xFF, 0x03};

// Addresses travel in 24 bits; a data frame carries at most 256 bytes.
constexpr UINT kLargestImage = 0x1000000;
constexpr UINT kLargestFrame = 256;

constexpr DWORD kCommandPauseMilliseconds = 1;
constexpr DWORD kEraseFirstPollMilliseconds = 439;
constexpr DWORD kErasePollPauseMilliseconds = 1076;
constexpr int kErasePolls = 100;
constexpr DWORD kProgramFramePauseMilliseconds = 9;
constexpr DWORD kVerifyFramePauseMilliseconds = 2;
constexpr DWORD kProgramResultPauseMilliseconds = 13;
constexpr DWORD kSecurityWritePauseMilliseconds = 35;
constexpr DWORD kSecurityDonePauseMilliseconds = 47;
constexpr int kVerifyRangeStart = -10;

void SetRange(IProgress* pProgress, int nLower, int nUpper) {
    if (pProgress != nullptr) {
        pProgress->SetRange32(nLower, nUpper);
    }
}

void SetPos(IProgress* pProgress, int nPos) {
    if (pProgress != nullptr) {
        pProgress->SetPos(nPos);
    }
}

bool IsStatusAck(CDevice* pDevice) {
    return WaitUiStatus(pDevice, false) == UI_ACK;
}

bool SendCommand(CDevice* pDevice, std::span<const BYTE> command) {
    return SendUiCommandFrame(pDevice, static_cast<BYTE>(command.size()), command.data());
}

// A command, a moment for the controller, and its status.
bool CommandAcknowledged(CDevice* pDevice, std::span<const BYTE> command) {
    if (!SendCommand(pDevice, command)) {
        return false;
    }
    Sleep(kCommandPauseMilliseconds);
    return IsStatusAck(pDevice);
}

// Programming and verify name the range from address 0 to the image's end.
std::array<BYTE, 7> RangeCommand(BYTE nCode, UINT nSize) {
    const UINT nEnd = nSize - 1;
    return {nCode,
            0x00,
            0x00,
            0x00,
            static_cast<BYTE>(nEnd >> 16),
            static_cast<BYTE>(nEnd >> 8),
            static_cast<BYTE>(nEnd)};
}

// The erase answers no status until it is done. Statuses other than ACK
// are asked again a while later; after 100 of them the erase is taken as
// done, and the programming's own statuses tell whether it was.
bool WaitForErase(CDevice* pDevice) {
    for (int nPoll = 0; nPoll < kErasePolls; ++nPoll) {
        const BYTE nStatus = WaitUiStatus(pDevice, false);
        if (nStatus == UI_ACK) {
            return true;
        }
        if (nStatus == UI_NO_ANSWER) {
            return false;
        }
        if (nPoll + 1 < kErasePolls) {
            SleepPumping(kErasePollPauseMilliseconds);
        }
    }
    return true;
}

// The image in data frames of the largest packet the link carries, each
// acknowledged by its data-frame status.
bool SendImageFrames(CDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize,
                     DWORD dwPauseAfterFrame) {
    const UINT nChunk = std::clamp<UINT>(pDevice->GetMaxUiPacketLength(), 1, kLargestFrame);
    for (UINT nPos = 0; nPos < nSize;) {
        SetPos(pProgress, static_cast<int>(nPos));
        Sleep(kCommandPauseMilliseconds);
        const UINT nCount = std::min(nChunk, nSize - nPos);
        const bool bMore = nPos + nCount < nSize;
        if (!SendUiDataFrame(pDevice, pData + nPos, nCount, bMore)) {
            return false;
        }
        Sleep(dwPauseAfterFrame);
        if (WaitUiStatus(pDevice, true) != UI_ACK) {
            return false;
        }
        nPos += nCount;
        PumpFrontEnd();
    }
    return true;
}

bool IsProgrammable(const BYTE* pData, UINT nSize) {
    return pData != nullptr && nSize != 0 && nSize <= kLargestImage;
}

}  // namespace

bool ProgramUiFlash(CDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize) {
    if (!IsProgrammable(pData, nSize)) {
        return false;
    }
    // The bar reaches a fifth of the image below zero for reset and erase,
    // and a fifth above its size for the security setting.
    const int nTop = static_cast<int>(nSize);
    const int nExtra = nTop / 5;
    SetRange(pProgress, -nExtra, nTop + nExtra);
    SetPos(pProgress, -nExtra);

    static constexpr BYTE kResetCommand[] = {kReset};
    static constexpr BYTE kEraseCommand[] = {kChipErase};
    if (!CommandAcknowledged(pDevice, kResetCommand) || !SendCommand(pDevice, kEraseCommand)) {
        return false;
    }
    SleepPumping(kEraseFirstPollMilliseconds);
    if (!WaitForErase(pDevice) || !CommandAcknowledged(pDevice, RangeCommand(kProgram, nSize)) ||
        !SendImageFrames(pDevice, pProgress, pData, nSize, kProgramFramePauseMilliseconds)) {
        return false;
    }
    // After the last frame the controller checks what it wrote.
    SetPos(pProgress, nTop);
    Sleep(kProgramResultPauseMilliseconds);
    if (!IsStatusAck(pDevice)) {
        return false;
    }

    SetPos(pProgress, nTop + nExtra / 3);
    if (!CommandAcknowledged(pDevice, kSecurityCommand)) {
        return false;
    }
    Sleep(kCommandPauseMilliseconds);
    SetPos(pProgress, nTop + 2 * (nExtra / 3));
    if (!SendUiDataFrame(pDevice, kSecurityData.data(), kSecurityData.size(), false)) {
        return false;
    }
    // Loaders answer the security data frame with a command's status or with
    // a data frame's; a data frame's status is ACK only when both bytes are.
    Sleep(kSecurityWritePauseMilliseconds);
    if (WaitUiStatusOfEitherForm(pDevice) != UI_ACK) {
        return false;
    }
    Sleep(kSecurityDonePauseMilliseconds);
    if (WaitUiStatusOfEitherForm(pDevice) != UI_ACK) {
        return false;
    }
    SetPos(pProgress, nTop + 3 * (nExtra / 3));
    return true;
}

bool VerifyUiFlash(CDevice* pDevice, IProgress* pProgress, const BYTE* pData, UINT nSize) {
    if (!IsProgrammable(pData, nSize)) {
        return false;
    }
    SetRange(pProgress, kVerifyRangeStart, static_cast<int>(nSize));
    SetPos(pProgress, kVerifyRangeStart);
    if (!CommandAcknowledged(pDevice, RangeCommand(kVerify, nSize)) ||
        !SendImageFrames(pDevice, pProgress, pData, nSize, kVerifyFramePauseMilliseconds)) {
        return false;
    }
    SetPos(pProgress, static_cast<int>(nSize));
    return true;
}

}  // namespace rf
