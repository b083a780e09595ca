#include "programming/UiLink.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "base/Clock.h"
#include "base/Deadline.h"
#include "device/Device.h"
#include "device/FrontEndPump.h"

namespace rf {

namespace {

constexpr BYTE kResourceHeaderCommand = 0x03;
constexpr BYTE kReadMemoryCommand = 0x06;
constexpr BYTE kPreUpdateCommand = 0x53;
constexpr BYTE kStatusCommand = 0x70;
constexpr BYTE kSpiWriteKeep = 0x80;
constexpr BYTE kSpiWriteEnd = 0x81;
constexpr BYTE kSpiReadKeep = 0x82;
constexpr BYTE kSpiReadEnd = 0x83;
constexpr BYTE kVersionCommand = 0xC5;

// The firmware takes frames of up to 64 bytes: 59 bytes out after the
// command code, or 60 bytes in.
constexpr UINT kSpiWriteChunk = 59;
constexpr UINT kSpiReadChunk = 60;
constexpr UINT kMemoryReadChunk = 32;
constexpr WORD kInfoBlockAddress = 0x00A0;
constexpr UINT kInfoBlockLength = 16;
constexpr BYTE kVersionLength = 6;
constexpr BYTE kResourceHeaderLength = 16;
constexpr UINT kLargestDataFrame = 256;

constexpr std::uint64_t kStatusWaitMilliseconds = 10'000;
constexpr DWORD kReplyPauseMilliseconds = 1;
// What follows STX in a status frame: LEN, the statuses, SUM, ETX.
constexpr UINT kCommandStatusRest = 4;
constexpr UINT kDataStatusRest = 5;

// Two's complement of the 8-bit sum of LEN and the bytes, so that LEN, the
// bytes and SUM add up to 0 modulo 256.
BYTE Checksum(BYTE nLength, const BYTE* pData, UINT nCount) {
    unsigned nSum = nLength;
    for (UINT i = 0; i < nCount; ++i) {
        nSum += pData[i];
    }
    return static_cast<BYTE>(0x100 - (nSum & 0xFF));
}

// Every frame the host sends: start byte, LEN, the bytes, SUM, end byte, in
// one link write.
bool SendFrame(CDevice* pDevice, BYTE nStart, BYTE nLength, const BYTE* pData, UINT nCount,
               BYTE nEnd) {
    std::array<BYTE, kUiFrameMax> frame;
    frame[0] = nStart;
    frame[1] = nLength;
    std::copy_n(pData, nCount, frame.begin() + 2);
    frame[2 + nCount] = Checksum(nLength, pData, nCount);
    frame[3 + nCount] = nEnd;
    return pDevice->UiWrite(frame.data(), nCount + 4);
}

bool SendCommand(CDevice* pDevice, std::initializer_list<BYTE> bytes) {
    return SendUiCommandFrame(pDevice, static_cast<BYTE>(bytes.size()), bytes.begin());
}

// The firmware's one-byte answer to an SPI transfer or the pre-update command.
bool ReceiveAck(CDevice* pDevice) {
    BYTE nAnswer = UI_NO_ANSWER;
    return ReceiveUiDataFrame(pDevice, &nAnswer, 1) && nAnswer == UI_ACK;
}

bool IsFirmwareState(UiState eState) {
    switch (eState) {
        case UI_STATE_FIRMWARE:
        case UI_STATE_FIRMWARE_ALTERNATIVE:
            return true;
        case UI_STATE_NO_ANSWER:
        case UI_STATE_MUST_SWITCH:
        case UI_STATE_BOOT:
            return false;
    }
    return false;
}

// Controller memory in pieces of at most 32 bytes.
bool ReadUiMemory(CDevice* pDevice, WORD wAddress, BYTE* pOut, UINT nLength) {
    for (UINT nDone = 0; nDone < nLength;) {
        const BYTE nCount = static_cast<BYTE>(std::min(kMemoryReadChunk, nLength - nDone));
        const WORD wAt = static_cast<WORD>(wAddress + nDone);
        if (!SendCommand(pDevice, {kReadMemoryCommand, static_cast<BYTE>(wAt),
                                   static_cast<BYTE>(wAt >> 8), nCount}) ||
            !ReceiveUiDataFrame(pDevice, pOut + nDone, nCount)) {
            return false;
        }
        nDone += nCount;
    }
    return true;
}

}  // namespace

bool SendUiCommandFrame(CDevice* pDevice, BYTE nLength, const BYTE* pData) {
    if (nLength != 0 && pData == nullptr) {
        return false;
    }
    return SendFrame(pDevice, UI_SOH, nLength, pData, nLength, UI_ETX);
}

bool SendUiDataFrame(CDevice* pDevice, const BYTE* pData, UINT nLength, bool bMore) {
    if (pData == nullptr || nLength == 0 || nLength > kLargestDataFrame) {
        return false;
    }
    // 256 bytes travel as LEN 0.
    return SendFrame(pDevice, UI_STX, static_cast<BYTE>(nLength), pData, nLength,
                     bMore ? UI_ETB : UI_ETX);
}

bool ReceiveUiDataFrame(CDevice* pDevice, BYTE* pOut, BYTE nMax) {
    std::array<BYTE, kUiFrameMax> frame;
    frame.fill(0xFF);
    if (!pDevice->UiReadData(frame.data(), kUiFrameMax) || frame[0] != UI_STX) {
        return false;
    }
    const BYTE nLength = frame[1];
    // A frame shorter than the caller asked for would leave bytes of the
    // caller's buffer standing as if the controller had sent them.
    if (nLength < nMax) {
        return false;
    }
    // The sum covers every byte sent, also those the caller does not take.
    unsigned nSum = nLength;
    for (UINT i = 0; i < nLength; ++i) {
        nSum += frame[2 + i];
    }
    if (((nSum + frame[2 + nLength]) & 0xFF) != 0) {
        return false;
    }
    // Only a sound frame reaches the caller's buffer.
    std::copy_n(frame.begin() + 2, nMax, pOut);
    return true;
}

namespace {

enum class StatusForm { Command, Data, Either };

// Asks for the status until a sound frame of the form comes, for at most the
// status wait. A command's status carries one byte, a data frame's two
// (the frame's own, then the programming's): the second tells when the first
// is ACK. Either takes both forms and reads each as its own form.
BYTE WaitStatus(CDevice* pDevice, StatusForm form) {
    static constexpr BYTE kStatusRequest[] = {kStatusCommand};
    const UINT nRest = form == StatusForm::Data ? kDataStatusRest : kCommandStatusRest;
    // The deadline runs on the monotonic clock, so the wait neither spins
    // nor stretches when the 32-bit tick count wraps.
    CPollDeadline deadline(kStatusWaitMilliseconds);
    while (deadline.Next()) {
        PumpFrontEnd();
        if (!SendUiCommandFrame(pDevice, 1, kStatusRequest)) {
            return UI_NO_ANSWER;
        }
        Sleep(kReplyPauseMilliseconds);
        BYTE nStart = UI_NO_ANSWER;
        if (!pDevice->UiReadReply(&nStart, 1)) {
            return UI_NO_ANSWER;
        }
        if (nStart != UI_STX) {
            continue;
        }
        std::array<BYTE, kDataStatusRest> rest;
        rest.fill(0xFF);
        if (!pDevice->UiReadReply(rest.data(), nRest)) {
            return UI_NO_ANSWER;
        }
        // The short form read whole; the long one has its end byte still to come.
        BYTE nExpectedLength = form == StatusForm::Data ? 2 : 1;
        UINT nFrameRest = nRest;
        if (form == StatusForm::Either && rest[0] == 2) {
            if (!pDevice->UiReadReply(rest.data() + kCommandStatusRest, 1)) {
                return UI_NO_ANSWER;
            }
            nExpectedLength = 2;
            nFrameRest = kDataStatusRest;
        }
        // rest: LEN, the statuses, SUM, ETX; a bad frame is asked for again.
        unsigned nSum = 0;
        for (UINT i = 0; i + 1 < nFrameRest; ++i) {
            nSum += rest[i];
        }
        if (rest[0] != nExpectedLength || rest[nFrameRest - 1] != UI_ETX || (nSum & 0xFF) != 0) {
            continue;
        }
        // A frame received ACK with its work failed is a failure, whichever
        // form was asked for.
        const BYTE nFirst = rest[1];
        return nExpectedLength == 2 && nFirst == UI_ACK ? rest[2] : nFirst;
    }
    return UI_NO_ANSWER;
}

}  // namespace

BYTE WaitUiStatus(CDevice* pDevice, bool bDataFrame) {
    return WaitStatus(pDevice, bDataFrame ? StatusForm::Data : StatusForm::Command);
}

BYTE WaitUiStatusOfEitherForm(CDevice* pDevice) {
    return WaitStatus(pDevice, StatusForm::Either);
}

bool SpiWrite(CDevice* pDevice, const BYTE* pData, WORD nLength, bool bKeepSelected) {
    std::array<BYTE, kSpiWriteChunk + 1> command;
    for (UINT nDone = 0; nDone < nLength;) {
        const UINT nCount = std::min<UINT>(kSpiWriteChunk, nLength - nDone);
        const bool bLast = nDone + nCount == nLength;
        command[0] = bKeepSelected || !bLast ? kSpiWriteKeep : kSpiWriteEnd;
        std::copy_n(pData + nDone, nCount, command.begin() + 1);
        if (!SendUiCommandFrame(pDevice, static_cast<BYTE>(nCount + 1), command.data()) ||
            !ReceiveAck(pDevice)) {
            return false;
        }
        nDone += nCount;
    }
    return true;
}

bool SpiRead(CDevice* pDevice, BYTE* pOut, WORD nLength, bool bKeepSelected, UINT* pnRead) {
    UINT nDone = 0;
    while (nDone < nLength) {
        const BYTE nCount = static_cast<BYTE>(std::min<UINT>(kSpiReadChunk, nLength - nDone));
        const bool bLast = nDone + nCount == nLength;
        const BYTE nCode = bKeepSelected || !bLast ? kSpiReadKeep : kSpiReadEnd;
        if (!SendCommand(pDevice, {nCode, nCount}) ||
            !ReceiveUiDataFrame(pDevice, pOut + nDone, nCount)) {
            break;
        }
        nDone += nCount;
    }
    if (pnRead != nullptr) {
        *pnRead = nDone;
    }
    return nDone == nLength;
}

bool SendUiPreUpdateCommand(CDevice* pDevice) {
    if (pDevice->GetUiState() != UI_STATE_FIRMWARE) {
        return true;
    }
    return SendCommand(pDevice, {kPreUpdateCommand}) && ReceiveAck(pDevice);
}

bool ReadUiInfoBlock(CDevice* pDevice, BYTE* pOut) {
    return ReadUiMemory(pDevice, kInfoBlockAddress, pOut, kInfoBlockLength);
}

bool ReadUiVersion(CDevice* pDevice, BYTE* pOut) {
    const UiState eState = pDevice->GetUiState();
    if (IsFirmwareState(eState)) {
        return SendCommand(pDevice, {kVersionCommand}) &&
               ReceiveUiDataFrame(pDevice, pOut, kVersionLength);
    }
    if (eState != UI_STATE_BOOT) {
        return false;
    }
    // The boot mode acknowledges the command with a status frame first.
    if (!SendCommand(pDevice, {kVersionCommand})) {
        return false;
    }
    Sleep(kReplyPauseMilliseconds);
    if (WaitUiStatus(pDevice, false) != UI_ACK) {
        return false;
    }
    Sleep(kReplyPauseMilliseconds);
    return ReceiveUiDataFrame(pDevice, pOut, kVersionLength);
}

bool ReadResourceHeader(CDevice* pDevice, BYTE* pOut) {
    return SendCommand(pDevice,
                       {kResourceHeaderCommand, 0x00, 0x00, 0x00, 0x00, kResourceHeaderLength}) &&
           ReceiveUiDataFrame(pDevice, pOut, kResourceHeaderLength);
}

}  // namespace rf
