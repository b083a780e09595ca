#include "emulator/UiController.h"

#include <algorithm>

#include "emulator/EmulatedEnclosure.h"

namespace rf::emu {

namespace {

constexpr BYTE kResourceMode = UiModeNumber(UiMode::Resource);
constexpr BYTE kBootMode = UiModeNumber(UiMode::Boot);

constexpr BYTE kStateSwitching = 0x00;
constexpr BYTE kStateFirmware = 0x01;
constexpr BYTE kStateBoot = 0x02;
constexpr BYTE kStateNoFirmware = 0x80;

// Commands of the firmware.
constexpr BYTE kResourceHeader = 0x03;
constexpr BYTE kReadMemory = 0x06;
constexpr BYTE kPreUpdate = 0x53;
constexpr BYTE kSpiWrite = 0x80;
constexpr BYTE kSpiWriteEnd = 0x81;
constexpr BYTE kSpiRead = 0x82;
constexpr BYTE kSpiReadEnd = 0x83;
constexpr BYTE kVersion = 0xC5;
// The boot mode's status request.
constexpr BYTE kStatusRequest = 0x70;

// The firmware takes frames of up to 64 bytes: an SPI command carries at
// most 59 bytes out, and asks for at most 60 in.
constexpr std::size_t kSpiWriteLargest = 59;
constexpr BYTE kSpiReadLargest = 60;

// Where the firmware image keeps its version triple.
constexpr std::ptrdiff_t kVersionOffset = 0x98;
constexpr std::ptrdiff_t kVersionLength = 6;
constexpr std::array<BYTE, kVersionLength> kDebuggerVersion = {0x34, 0x12, 0x78, 0x56, 0xCD, 0xAB};
constexpr std::array<BYTE, 2> kSecurityAfterUpdate = {0xFF, 0x03};

}  // namespace

CEmulatedUiController::CEmulatedUiController(const SpiChipModel& spiChip,
                                             const UiControllerSettings& settings)
    : m_settings(settings), m_loader(m_flash, m_timing), m_spi(spiChip) {}

std::uint64_t CEmulatedUiController::LineMicroseconds(std::size_t nBytes) const {
    return std::uint64_t{nBytes} * m_timing.nLinkByteNanoseconds / 1000;
}

bool CEmulatedUiController::IsListening(std::uint64_t nNow) const {
    return nNow >= m_nReadyAt && (m_nMode == kBootMode || m_flash.bValid);
}

BYTE CEmulatedUiController::StateByte(std::uint64_t nNow) {
    if (nNow < m_nReadyAt) {
        return kStateSwitching;
    }
    if (m_nMode == kBootMode) {
        return kStateBoot;
    }
    return m_flash.bValid ? kStateFirmware : kStateNoFirmware;
}

void CEmulatedUiController::SetMode(BYTE nMode, std::uint64_t nNow) {
    if (nMode < 1 || nMode > kBootMode) {
        return;
    }
    const bool bFirmwareRan = m_nMode != kBootMode && IsListening(nNow);
    m_data.Clear();
    m_reply.Clear();
    m_spi.Deselect(nNow);
    m_nMode = nMode;
    // Modes 1 and 2 restart the firmware; the resource mode is a switch
    // inside a running firmware; the boot mode starts at once.
    const bool bRestart = nMode < kResourceMode || (nMode == kResourceMode && !bFirmwareRan);
    m_nReadyAt =
        nNow + (bRestart ? m_timing.nFirmwareStartMicroseconds : m_timing.nModeSwitchMicroseconds);
    if (nMode == kBootMode) {
        m_loader.Restart();
    }
}

void CEmulatedUiController::Reset(std::uint64_t nNow) {
    m_nMode = UiModeNumber(UiMode::Normal);
    m_nReadyAt = nNow;
    m_data.Clear();
    m_reply.Clear();
    m_spi.PowerCycle();
    m_loader.Restart();
}

void CEmulatedUiController::InstallFirmware(std::span<const BYTE> image) {
    const std::size_t nCopied = std::min<std::size_t>(image.size(), kUiFlashSize);
    std::copy_n(image.begin(), nCopied, m_flash.contents.begin());
    std::fill(m_flash.contents.begin() + static_cast<std::ptrdiff_t>(nCopied),
              m_flash.contents.end(), 0xFF);
    m_flash.bValid = true;
    m_flash.bProgrammed = true;
    m_flash.security = kSecurityAfterUpdate;
}

void CEmulatedUiController::RestoreProgramFlash(const UiProgramFlash& flash) {
    m_flash = flash;
    m_flash.contents.resize(kUiFlashSize, 0xFF);
}

void CEmulatedUiController::Send(Channel& channel, std::span<const BYTE> payload,
                                 std::uint64_t nFrom) {
    channel.bytes = MakeAnswerFrame(payload);
    channel.nRead = 0;
    channel.nReadyAt = nFrom + LineMicroseconds(channel.bytes.size());
    ++m_counters.nAnswers;
}

std::uint64_t CEmulatedUiController::LinkWrite(std::span<const BYTE> bytes, LinkFault fault,
                                               std::uint64_t nNow) {
    const std::uint64_t nLine = LineMicroseconds(bytes.size());
    m_counters.nLinkMicroseconds += nLine;
    ++m_counters.nFramesReceived;
    const std::uint64_t nArrived = nNow + nLine;
    std::vector<BYTE> received(bytes.begin(), bytes.end());
    if (fault == LinkFault::BadChecksum && received.size() >= 2) {
        BYTE& nSum = received[received.size() - 2];
        nSum = static_cast<BYTE>(nSum + 1);
    }
    const std::optional<HostFrame> frame = ParseHostFrame(received);
    if (fault == LinkFault::NoAnswer || !frame.has_value() || !IsListening(nArrived)) {
        ++m_counters.nFramesUnheard;
        return nLine;
    }
    if (m_nMode == kBootMode) {
        OnBootFrame(*frame, nArrived);
    } else {
        OnFirmwareFrame(*frame, nArrived);
    }
    return nLine;
}

std::uint64_t CEmulatedUiController::LinkRead(bool bReply, std::span<BYTE> buffer, LinkFault fault,
                                              std::uint64_t nNow) {
    std::fill(buffer.begin(), buffer.end(), BYTE{0xFF});
    Channel& channel = bReply ? m_reply : m_data;
    if (channel.IsEmpty()) {
        return 0;
    }
    std::uint64_t nWait = 0;
    if (channel.nReadyAt > nNow) {
        nWait = channel.nReadyAt - nNow;
        if (nWait > m_timing.nBridgeReadWaitMicroseconds) {
            return m_timing.nBridgeReadWaitMicroseconds;
        }
    }
    m_counters.nLinkMicroseconds += nWait;
    std::vector<BYTE>& bytes = channel.bytes;
    const std::size_t nSum = bytes.size() - 2;
    switch (fault) {
        case LinkFault::None:
            break;
        case LinkFault::NoAnswer:
            channel.Clear();
            return nWait;
        case LinkFault::BadChecksum:
            if (channel.nRead <= nSum) {
                bytes[nSum] = static_cast<BYTE>(bytes[nSum] + 1);
            }
            break;
        case LinkFault::NotAcknowledged:
            if (nSum > kAnswerPayloadOffset && channel.nRead <= kAnswerPayloadOffset) {
                bytes[kAnswerPayloadOffset] = kLinkNak;
                bytes[nSum] = LinkChecksum(
                    bytes[1], std::span<const BYTE>(bytes.data() + kAnswerPayloadOffset,
                                                    nSum - kAnswerPayloadOffset));
            }
            break;
    }
    const std::size_t nCount = std::min(buffer.size(), bytes.size() - channel.nRead);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(channel.nRead), nCount, buffer.begin());
    channel.nRead += nCount;
    if (channel.IsEmpty()) {
        channel.Clear();
    }
    return nWait;
}

void CEmulatedUiController::OnBootFrame(const HostFrame& frame, std::uint64_t nNow) {
    m_reply.Clear();
    if (frame.bCommand && frame.bChecksumOk && frame.body.size() == 1 &&
        frame.body[0] == kStatusRequest) {
        const std::vector<BYTE> statuses = m_loader.OnStatusRequest(nNow);
        if (!statuses.empty()) {
            Send(m_reply, statuses, nNow);
        }
        return;
    }
    m_data.Clear();
    const std::vector<BYTE> data = m_loader.OnFrame(frame, nNow);
    if (!data.empty()) {
        Send(m_data, data, nNow);
    }
}

void CEmulatedUiController::OnFirmwareFrame(const HostFrame& frame, std::uint64_t nNow) {
    // A new request: an answer nobody fetched is dropped.
    m_data.Clear();
    if (!frame.bCommand || !frame.bChecksumOk) {
        ++m_counters.nFramesUnheard;
        return;
    }
    std::vector<BYTE> answer;
    std::uint64_t nWork = 0;
    if (FirmwareAnswer(frame.body, answer, nWork, nNow)) {
        Send(m_data, answer, nNow + nWork);
    }
}

bool CEmulatedUiController::FirmwareAnswer(const std::vector<BYTE>& body, std::vector<BYTE>& answer,
                                           std::uint64_t& nWork, std::uint64_t nNow) {
    const std::size_t nSize = body.size();
    switch (body[0]) {
        case kResourceHeader: {
            if (nSize != 6) {
                break;
            }
            const auto& contents = m_spi.Contents();
            answer.assign(std::size_t{body[5]}, BYTE{0});
            if (!m_settings.bEmptyResourceHeader) {
                std::copy_n(contents.begin(), answer.size(), answer.begin());
            }
            return true;
        }
        case kReadMemory: {
            if (nSize != 4) {
                break;
            }
            // Past the program flash lie RAM and registers, which read as zero here.
            const std::size_t nAddress = body[1] | std::size_t{body[2]} << 8;
            for (std::size_t i = 0; i < body[3]; ++i) {
                const std::size_t nAt = nAddress + i;
                answer.push_back(nAt < kUiFlashSize ? m_flash.contents[nAt] : BYTE{0});
            }
            return true;
        }
        case kPreUpdate:
            if (nSize != 1) {
                break;
            }
            answer = {kLinkAck};
            return true;
        case kVersion:
            if (nSize != 1) {
                break;
            }
            if (m_settings.bDebuggerBuild) {
                answer.assign(kDebuggerVersion.begin(), kDebuggerVersion.end());
            } else {
                const auto first = m_flash.contents.begin() + kVersionOffset;
                answer.assign(first, first + kVersionLength);
            }
            return true;
        case kSpiWrite:
        case kSpiWriteEnd:
        case kSpiRead:
        case kSpiReadEnd:
            return SpiTransfer(body, answer, nWork, nNow);
        default:
            return false;
    }
    answer = {kLinkNak};
    return true;
}

bool CEmulatedUiController::SpiTransfer(const std::vector<BYTE>& body, std::vector<BYTE>& answer,
                                        std::uint64_t& nWork, std::uint64_t nNow) {
    const BYTE nCode = body[0];
    const bool bWrite = nCode == kSpiWrite || nCode == kSpiWriteEnd;
    const bool bEnd = nCode == kSpiWriteEnd || nCode == kSpiReadEnd;
    const std::size_t nCount = bWrite ? body.size() - 1 : body.size() == 2 ? body[1] : 0;
    const bool bValid = bWrite ? nCount <= kSpiWriteLargest
                               : body.size() == 2 && nCount >= 1 && nCount <= kSpiReadLargest;
    if (!bValid) {
        answer = {kLinkNak};
        return true;
    }
    m_spi.Select(nNow);
    const std::uint64_t nByte = m_timing.nSpiByteNanoseconds;
    for (std::size_t i = 0; i < nCount; ++i) {
        const std::uint64_t nAt = nNow + (std::uint64_t{i} * nByte) / 1000;
        const BYTE nIn = m_spi.Transfer(bWrite ? body[1 + i] : BYTE{0xFF}, nAt);
        if (!bWrite) {
            answer.push_back(nIn);
        }
    }
    nWork = std::uint64_t{nCount} * nByte / 1000;
    if (bEnd) {
        m_spi.Deselect(nNow + nWork);
    }
    m_counters.nSpiBytes += nCount;
    if (bWrite) {
        answer = {kLinkAck};
    }
    return true;
}

CEmulatedUiController& FitUiController(CEmulatedEnclosure& enclosure, const SpiChipModel& spiChip,
                                       const UiControllerSettings& settings) {
    auto pController = std::make_unique<CEmulatedUiController>(spiChip, settings);
    CEmulatedUiController& controller = *pController;
    enclosure.SetUiController(std::move(pController));
    return controller;
}

CEmulatedUiController* FittedUiController(CEmulatedEnclosure& enclosure) {
    return dynamic_cast<CEmulatedUiController*>(&enclosure.UiController());
}

const CEmulatedUiController* FittedUiController(const CEmulatedEnclosure& enclosure) {
    return dynamic_cast<const CEmulatedUiController*>(&enclosure.UiController());
}

}  // namespace rf::emu
