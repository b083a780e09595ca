#include <algorithm>
#include <array>
#include <functional>

#include "base/Progress.h"
#include "device/BridgeCommands.h"
#include "device/FrontEndPump.h"
#include "device/ScsiDevice.h"

namespace rf {

namespace {

constexpr UINT kSmallUiPacket = 60;  // largest UI packet on a full-speed USB link
constexpr UINT kLargeUiPacket = 256;

// The loop every chunked transfer shares: range once, the position before
// every command, the final position after the last one (none after a
// failure), and the message pump after every command that went through.
bool TransferInChunks(UINT nLength, UINT nChunk, IProgress* pProgress,
                      const std::function<bool(UINT nDone, UINT nCount)>& sendChunk) {
    if (pProgress != nullptr) {
        pProgress->SetRange32(0, static_cast<int>(std::min<UINT>(nLength, INT32_MAX)));
    }
    UINT nDone = 0;
    while (nDone < nLength) {
        if (pProgress != nullptr) {
            pProgress->SetPos(static_cast<int>(nDone));
        }
        const UINT nCount = std::min(nChunk, nLength - nDone);
        if (!sendChunk(nDone, nCount)) {
            return false;
        }
        PumpFrontEnd();
        nDone += nCount;
    }
    if (pProgress != nullptr) {
        pProgress->SetPos(static_cast<int>(nDone));
    }
    return true;
}

}  // namespace

bool CScsiDevice::IsFullSpeedUsb() const {
    return m_nBusType == BusTypeUsb && m_strBusName == u"USB1.1";
}

UINT CScsiDevice::GetMaxUiPacketLength() {
    return IsFullSpeedUsb() ? kSmallUiPacket : kLargeUiPacket;
}

bool CScsiDevice::ChunkRead(bool bDelivered, UINT nOffset, UINT nAsked, ReadFault* pFault) {
    ReadFault fault;
    fault.nOffset = nOffset;
    fault.nAsked = nAsked;
    fault.nReceived = m_nLastReceived;
    fault.nStatus = m_bScsiStatus;
    if (!bDelivered) {
        fault.kind = ReadFaultKind::NotDelivered;
    } else if (m_bScsiStatus != 0) {
        fault.kind = ReadFaultKind::Refused;
        fault.nSenseKey = static_cast<BYTE>(m_abSense[kSenseKeyOffset] & 0x0F);
        fault.nAsc = m_abSense[kSenseAscOffset];
        fault.nAscq = m_abSense[kSenseAscqOffset];
    } else if (m_nLastReceived < nAsked) {
        fault.kind = ReadFaultKind::Short;
    }
    if (pFault == nullptr) {
        // The plain reads go on past a refused chunk, as they always have;
        // the first one is noted for the callers that report what was read.
        if (fault.kind != ReadFaultKind::None && m_firstReadFault.kind == ReadFaultKind::None) {
            m_firstReadFault = fault;
        }
        return bDelivered;
    }
    if (fault.kind == ReadFaultKind::None) {
        return true;
    }
    *pFault = fault;
    return false;
}

bool CScsiDevice::ReadFlashChunks(DWORD dwAddress, BYTE* pData, UINT nLength, IProgress* pProgress,
                                  ReadFault* pFault) {
    const DWORD dwStart = dwAddress + m_dwFlashBase;
    return TransferInChunks(nLength, kWindowChunk, pProgress, [&](UINT nDone, UINT nCount) {
        const CommandBlock block =
            FlashWindowBlock(kSubRead, dwStart + nDone, static_cast<WORD>(nCount));
        return ChunkRead(ScsiPassThrough(block.data(), 10, true, pData + nDone, nCount), nDone,
                         nCount, pFault);
    });
}

bool CScsiDevice::ReadFlash(DWORD dwAddress, BYTE* pData, UINT nLength, IProgress* pProgress) {
    return ReadFlashChunks(dwAddress, pData, nLength, pProgress, nullptr);
}

bool CScsiDevice::ReadFlashChecked(DWORD dwAddress, BYTE* pData, UINT nLength, IProgress* pProgress,
                                   ReadFault& fault) {
    fault = ReadFault{};
    return ReadFlashChunks(dwAddress, pData, nLength, pProgress, &fault);
}

bool CScsiDevice::WriteFlash(DWORD dwAddress, const BYTE* pData, UINT nLength,
                             IProgress* pProgress) {
    const DWORD dwStart = dwAddress + m_dwFlashBase;
    return TransferInChunks(nLength, kWindowChunk, pProgress, [&](UINT nDone, UINT nCount) {
        const CommandBlock block =
            FlashWindowBlock(kSubWrite, dwStart + nDone, static_cast<WORD>(nCount));
        return ScsiPassThrough(block.data(), 10, false, const_cast<BYTE*>(pData + nDone), nCount);
    });
}

bool CScsiDevice::ReadHostEepromChunks(WORD wAddress, BYTE* pData, UINT nLength,
                                       IProgress* pProgress, ReadFault* pFault) {
    return TransferInChunks(nLength, kWindowChunk, pProgress, [&](UINT nDone, UINT nCount) {
        const CommandBlock block = HostEepromBlock(kSubRead, static_cast<WORD>(wAddress + nDone),
                                                   static_cast<WORD>(nCount));
        return ChunkRead(ScsiPassThrough(block.data(), 10, true, pData + nDone, nCount), nDone,
                         nCount, pFault);
    });
}

bool CScsiDevice::ReadHostEeprom(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress) {
    return ReadHostEepromChunks(wAddress, pData, nLength, pProgress, nullptr);
}

bool CScsiDevice::ReadHostEepromChecked(WORD wAddress, BYTE* pData, UINT nLength,
                                        IProgress* pProgress, ReadFault& fault) {
    fault = ReadFault{};
    return ReadHostEepromChunks(wAddress, pData, nLength, pProgress, &fault);
}

bool CScsiDevice::WriteHostEeprom(const BYTE* pData, UINT nLength, IProgress* pProgress) {
    return TransferInChunks(nLength, kHostWriteChunk, pProgress, [&](UINT nDone, UINT nCount) {
        const CommandBlock block =
            HostEepromBlock(kSubWrite, static_cast<WORD>(nDone), static_cast<WORD>(nCount));
        return ScsiPassThrough(block.data(), 10, false, const_cast<BYTE*>(pData + nDone), nCount);
    });
}

bool CScsiDevice::ReadCpuEeprom(WORD wAddress, BYTE* pData, UINT nLength, IProgress* pProgress) {
    return ReadCpuEepromChunks(wAddress, pData, nLength, pProgress, nullptr);
}

bool CScsiDevice::ReadCpuEepromChecked(WORD wAddress, BYTE* pData, UINT nLength,
                                       IProgress* pProgress, ReadFault& fault) {
    fault = ReadFault{};
    return ReadCpuEepromChunks(wAddress, pData, nLength, pProgress, &fault);
}

bool CScsiDevice::ReadCpuEepromChunks(WORD wAddress, BYTE* pData, UINT nLength,
                                      IProgress* pProgress, ReadFault* pFault) {
    std::array<BYTE, kCpuEepromAnswerLength> answer;
    return TransferInChunks(nLength, kWindowChunk, pProgress, [&](UINT nDone, UINT nCount) {
        const CommandBlock block = CpuEepromReadBlock(static_cast<WORD>(wAddress + nDone));
        // The chunk is the first bytes of the answer: those must come.
        if (!ChunkRead(
                ScsiPassThrough(block.data(), 10, true, answer.data(), kCpuEepromAnswerLength),
                nDone, nCount, pFault)) {
            return false;
        }
        // The bridge always answers 512 bytes; the first ones are the chunk.
        // A refused command leaves the caller's bytes as they were, as for
        // every other read.
        if (m_bScsiStatus == 0) {
            std::copy_n(answer.begin(), nCount, pData + nDone);
        }
        return true;
    });
}

bool CScsiDevice::WriteCpuEepromAt(WORD wAddress, const BYTE* pData, UINT nLength,
                                   IProgress* pProgress) {
    return TransferInChunks(nLength, 1, pProgress, [&](UINT nDone, UINT) {
        const CommandBlock block =
            CpuEepromWriteBlock(static_cast<WORD>(wAddress + nDone), pData[nDone]);
        return ScsiPassThrough(block.data(), 10, false, nullptr, 0);
    });
}

bool CScsiDevice::WriteCpuEeprom(const BYTE* pData, UINT nLength, IProgress* pProgress) {
    return WriteCpuEepromAt(0, pData, nLength, pProgress);
}

UiState CScsiDevice::GetUiState() {
    std::array<BYTE, 4> answer = {0xFF, 0, 0, 0};
    if (!ScsiPassThrough(kUiStateBlock.data(), 10, true, answer.data(), 4)) {
        return UI_STATE_NO_ANSWER;
    }
    const BYTE b = answer[0];
    if ((b & 0x02) != 0) {
        return UI_STATE_BOOT;
    }
    if ((b & 0x80) != 0) {
        return UI_STATE_MUST_SWITCH;
    }
    if ((b & 0x01) != 0) {
        return UI_STATE_FIRMWARE;
    }
    return UI_STATE_NO_ANSWER;
}

bool CScsiDevice::SetUiMode(int nMode) {
    const BYTE nSent = nMode >= 1 && nMode <= 4 ? static_cast<BYTE>(nMode) : 0;
    const CommandBlock block = UiModeBlock(nSent);
    return ScsiPassThrough(block.data(), 10, false, nullptr, 0);
}

bool CScsiDevice::UiWrite(const BYTE* pData, UINT nLength) {
    const CommandBlock block = UiLinkBlock(kSubUiLinkWrite, static_cast<WORD>(nLength));
    return ScsiPassThrough(block.data(), 10, false, const_cast<BYTE*>(pData), nLength);
}

bool CScsiDevice::UiRead(BYTE nSub, BYTE* pData, UINT nLength) {
    const CommandBlock block = UiLinkBlock(nSub, static_cast<WORD>(nLength));
    if (nLength != 1) {
        return ScsiPassThrough(block.data(), 10, true, pData, nLength);
    }
    // A single byte travels in a 2-byte data phase. Its first byte is handed
    // on even when the bridge refused the command, so it starts as "no
    // answer".
    std::array<BYTE, 2> answer = {0xFF, 0xFF};
    const bool bOk = ScsiPassThrough(block.data(), 10, true, answer.data(), 2);
    if (bOk) {
        pData[0] = answer[0];
    }
    return bOk;
}

bool CScsiDevice::UiReadData(BYTE* pData, UINT nLength) {
    return UiRead(kSubUiLinkReadData, pData, nLength);
}

bool CScsiDevice::UiReadReply(BYTE* pData, UINT nLength) {
    return UiRead(kSubUiLinkReadReply, pData, nLength);
}

void CScsiDevice::ResetAndClose() {
    SetUiMode(UiModeNumber(UiMode::Normal));
    ScsiPassThrough(kBridgeRestartBlock.data(), 10, false, nullptr, 0);
    Close();
}

}  // namespace rf
