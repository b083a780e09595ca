#include "emulator/EmulatedEnclosure.h"

#include <algorithm>
#include <csignal>
#include <cstring>

#include "base/Clock.h"
#include "device/EmulatedEnclosureMark.h"
#include "emulator/BigEndian.h"
#include "emulator/FixedSense.h"
#include "emulator/FlashSelfProgrammer.h"

namespace rf::emu {

namespace {

constexpr BYTE kStatusGood = 0x00;
constexpr BYTE kStatusCheckCondition = 0x02;

constexpr std::uint64_t kEepromWriteMicroseconds = 5'000;  // one write cycle of a serial EEPROM
constexpr UINT kCpuEepromAnswer = 512;
constexpr std::size_t kInquiryLength = 36;
constexpr std::size_t kMarkedInquiryLength = kEmulatedMarkOffset + kEmulatedMark.size();

constexpr char kFirmwareMagic[] = "ERI2";
constexpr char kChipFamilyTag[] = "VIRA    ";
constexpr std::size_t kChipFamilyTagOffset = 0xF0;
constexpr std::size_t kShortVersionOffset = 0x08;

// On a full-speed USB link the bridge hands the controller's line one USB
// packet per link write; a longer write does not fit its buffer.
constexpr UINT kFullSpeedLinkPacket = 64;

bool IsFullSpeedUsb(const BusProfile& bus) {
    return bus.nBusType == BusTypeUsb && bus.nMajorVersion == 1;
}

LinkFault LinkFaultOf(FaultKind kind) {
    switch (kind) {
        case FaultKind::LinkNoAnswer:
            return LinkFault::NoAnswer;
        case FaultKind::LinkBadChecksum:
            return LinkFault::BadChecksum;
        case FaultKind::LinkNak:
            return LinkFault::NotAcknowledged;
        case FaultKind::Fail:
        case FaultKind::CheckCondition:
        case FaultKind::PowerCut:
        case FaultKind::Interrupt:
            return LinkFault::None;
    }
    return LinkFault::None;
}

// A field of at most four bytes of a command block.
std::uint32_t Field(const std::array<BYTE, 16>& cdb, std::size_t nFirst, std::size_t nCount) {
    return static_cast<std::uint32_t>(BigEndian(cdb, nFirst, nCount));
}

}  // namespace

bool IsBootableFirmware(std::span<const BYTE> contents) {
    return contents.size() >= kChipFamilyTagOffset + 8 &&
           std::memcmp(contents.data(), kFirmwareMagic, 4) == 0 &&
           std::memcmp(contents.data() + kChipFamilyTagOffset, kChipFamilyTag, 8) == 0;
}

CEmulatedEnclosure::CEmulatedEnclosure(const NorChipModel& flashChip, const BusProfile& bus)
    : m_pBus(&bus),
      m_flash(flashChip),
      m_hostEeprom(kHostEepromSize, 0xFF),
      m_cpuEeprom(kCpuEepromSize, 0xFF),
      m_pUi(std::make_unique<CAbsentUiController>()) {
    Boot();
}

void CEmulatedEnclosure::SetIdentity(std::string strVendor, std::string strProduct) {
    m_strVendor = std::move(strVendor);
    m_strProduct = std::move(strProduct);
}

void CEmulatedEnclosure::SetUiController(std::unique_ptr<IEmulatedUiController> pController) {
    m_pUi =
        pController != nullptr ? std::move(pController) : std::make_unique<CAbsentUiController>();
}

std::string CEmulatedEnclosure::Revision() const {
    if (m_bRomMode) {
        return "FFFF";
    }
    const auto& contents = m_flash.Contents();
    return std::string(contents.begin() + kShortVersionOffset,
                       contents.begin() + kShortVersionOffset + 4);
}

void CEmulatedEnclosure::PowerOff() {
    if (m_bPowered) {
        m_flash.PowerLoss(Now());
        m_pUi->PowerLoss(Now());
    }
    m_bPowered = false;
}

void CEmulatedEnclosure::PowerOn() {
    m_bPowered = true;
    m_nFailingAttempts = 0;
    Boot();
}

void CEmulatedEnclosure::Boot() {
    m_flash.PowerCycle();
    m_bRomMode = !IsBootableFirmware(m_flash.Contents());
    m_pUi->Reset(Now());
}

std::uint64_t CEmulatedEnclosure::Now() const {
    return CurrentClock().NowMicroseconds();
}

void CEmulatedEnclosure::Work(std::uint64_t nMicroseconds) {
    m_counters.nWorkMicroseconds += nMicroseconds;
    CurrentClock().Elapse(nMicroseconds);
}

bool CEmulatedEnclosure::Execute(ScsiRequest& request) {
    TraceEntry entry = MakeTraceEntry(request);
    entry.nIndex = m_nNextIndex++;
    ++m_counters.nAttempts;

    const auto fault = std::find_if(m_faults.begin(), m_faults.end(),
                                    [&](const Fault& f) { return f.nIndex == entry.nIndex; });
    std::optional<std::uint64_t> cutAfter;
    Answer answer;
    if (fault != m_faults.end() && fault->kind == FaultKind::Interrupt) {
        std::raise(SIGINT);
    }
    if (!m_bPowered || m_nFailingAttempts > 0) {
        m_nFailingAttempts = std::max(0, m_nFailingAttempts - 1);
        answer.bDelivered = false;
    } else if (fault != m_faults.end() && fault->kind == FaultKind::Fail) {
        m_nFailingAttempts = 5;  // the transport's retries fail too
        answer.bDelivered = false;
    } else if (fault != m_faults.end() && fault->kind == FaultKind::PowerCut &&
               fault->nAfterMicroseconds == 0) {
        PowerOff();
        answer.bDelivered = false;
    } else {
        const std::uint64_t nBus = CommandMicroseconds(*m_pBus, entry.nLength);
        m_counters.nBusMicroseconds += nBus;
        CurrentClock().Elapse(nBus);
        if (fault != m_faults.end() && fault->kind == FaultKind::CheckCondition) {
            answer.nStatus = kStatusCheckCondition;
            answer.sense = kSenseAborted;
        } else {
            if (fault != m_faults.end() && fault->kind == FaultKind::PowerCut) {
                cutAfter = fault->nAfterMicroseconds;
            }
            answer = Dispatch(request, cutAfter,
                              fault != m_faults.end() ? LinkFaultOf(fault->kind) : LinkFault::None);
            // Commands without work of their own to cut into are done by
            // then; the host still never hears the answer.
            if (cutAfter.has_value() && m_bPowered) {
                PowerOff();
                answer = Answer{.bDelivered = false};
            }
        }
    }

    if (!answer.bDelivered) {
        ++m_counters.nFailedAttempts;
    } else {
        request.ScsiStatus = answer.nStatus;
        request.Sense.fill(0);
        request.SenseInfoLength = 0;
        if (answer.nStatus == kStatusCheckCondition) {
            const auto sense = FixedSense(answer.sense);
            std::copy(sense.begin(), sense.end(), request.Sense.begin());
            request.SenseInfoLength = static_cast<BYTE>(sense.size());
            answer.nTransferred = 0;
        }
        request.DataTransferLength = answer.nTransferred;
        if (entry.direction == TraceDirection::In) {
            m_counters.nBytesIn += answer.nTransferred;
        } else if (entry.direction == TraceDirection::Out) {
            m_counters.nBytesOut += entry.nLength;
        }
        entry.nStatus = answer.nStatus;
    }
    if (m_bTrace) {
        m_trace.push_back(std::move(entry));
    }
    return answer.bDelivered;
}

CEmulatedEnclosure::Answer CEmulatedEnclosure::Dispatch(ScsiRequest& request,
                                                        std::optional<std::uint64_t> cutAfter,
                                                        LinkFault linkFault) {
    switch (request.Cdb[0]) {
        case 0x00:  // TEST UNIT READY
            return Answer{};
        case 0x12:
            return Inquiry(request);
        case 0xFA:
            return UiCommand(request, cutAfter, linkFault);
        case 0xFC:
            return HostEepromCommand(request, cutAfter);
        case 0xFD:
            return FlashWindow(request);
        case 0xFE:
            return ProgramImage(request, cutAfter);
        case 0xFF:
            return BridgeCommand(request);
        default:
            return Answer{.nStatus = kStatusCheckCondition, .sense = kSenseInvalidOpcode};
    }
}

CEmulatedEnclosure::Answer CEmulatedEnclosure::Inquiry(ScsiRequest& request) {
    // A real bridge answers 36 bytes; the emulated one adds its mark in the
    // vendor-specific bytes after them.
    std::array<BYTE, kMarkedInquiryLength> data{};
    const std::size_t nLength = m_bEmulatedMark ? kMarkedInquiryLength : kInquiryLength;
    data[2] = 0x02;  // SCSI-2
    data[3] = 0x02;
    data[4] = static_cast<BYTE>(nLength - 5);
    auto put = [&](std::size_t nOffset, std::size_t nWidth, const std::string& text) {
        for (std::size_t i = 0; i < nWidth; ++i) {
            data[nOffset + i] = i < text.size() ? static_cast<BYTE>(text[i]) : BYTE{' '};
        }
    };
    put(8, 8, m_strVendor);
    put(16, 16, m_strProduct);
    put(32, 4, Revision());
    if (m_bEmulatedMark) {
        std::copy(kEmulatedMark.begin(), kEmulatedMark.end(), data.begin() + kEmulatedMarkOffset);
    }
    const UINT nCount = std::min<UINT>(request.DataTransferLength, static_cast<UINT>(nLength));
    if (request.DataIn != 0 && request.DataBuffer != nullptr) {
        std::copy_n(data.begin(), nCount, request.DataBuffer);
    }
    return Answer{.nTransferred = nCount};
}

CEmulatedEnclosure::Answer CEmulatedEnclosure::FlashWindow(ScsiRequest& request) {
    const BYTE nSub = request.Cdb[1];
    const std::uint32_t nAddress = Field(request.Cdb, 2, 4);
    const UINT nLength = std::min<UINT>(Field(request.Cdb, 7, 2), request.DataTransferLength);
    const std::uint64_t nNow = Now();
    if (nSub == 0x01 && request.DataIn != 0) {
        for (UINT i = 0; i < nLength; ++i) {
            const std::uint32_t nAt = nAddress + i;
            // Below the window lies the bridge's own memory, which reads as zero here.
            request.DataBuffer[i] =
                nAt >= kFlashWindowBase ? m_flash.Read(nAt - kFlashWindowBase, nNow) : BYTE{0};
        }
        return Answer{.nTransferred = nLength};
    }
    if (nSub == 0x02 && request.DataIn == 0) {
        for (UINT i = 0; i < nLength; ++i) {
            const std::uint32_t nAt = nAddress + i;
            if (nAt >= kFlashWindowBase) {
                m_flash.Write(nAt - kFlashWindowBase, request.DataBuffer[i], nNow);
            }
        }
        return Answer{.nTransferred = nLength};
    }
    return Answer{.nStatus = kStatusCheckCondition, .sense = kSenseInvalidField};
}

CEmulatedEnclosure::Answer CEmulatedEnclosure::HostEepromCommand(
    ScsiRequest& request, std::optional<std::uint64_t> cutAfter) {
    const BYTE nSub = request.Cdb[1];
    const std::uint32_t nAddress = Field(request.Cdb, 4, 2);
    const UINT nLength = std::min<UINT>(Field(request.Cdb, 7, 2), request.DataTransferLength);
    if (nSub == 0x01 && request.DataIn != 0) {
        for (UINT i = 0; i < nLength; ++i) {
            request.DataBuffer[i] = m_hostEeprom[(nAddress + i) % kHostEepromSize];
        }
        return Answer{.nTransferred = nLength};
    }
    if (nSub == 0x02 && request.DataIn == 0) {
        // The bytes go into the cells one after the other during the write
        // cycle; power lost on the way leaves the later ones as they were.
        UINT nWritten = nLength;
        if (cutAfter.has_value() && *cutAfter < kEepromWriteMicroseconds) {
            nWritten = static_cast<UINT>(nLength * *cutAfter / kEepromWriteMicroseconds);
        }
        for (UINT i = 0; i < nWritten; ++i) {
            m_hostEeprom[(nAddress + i) % kHostEepromSize] = request.DataBuffer[i];
        }
        if (nWritten < nLength) {
            Work(*cutAfter);
            PowerOff();
            return Answer{.bDelivered = false};
        }
        Work(kEepromWriteMicroseconds);
        return Answer{.nTransferred = nLength};
    }
    return Answer{.nStatus = kStatusCheckCondition, .sense = kSenseInvalidField};
}

CEmulatedEnclosure::Answer CEmulatedEnclosure::BridgeCommand(ScsiRequest& request) {
    const auto& cdb = request.Cdb;
    const std::uint32_t nCpuAddress = cdb[4] | static_cast<std::uint32_t>(cdb[5]) << 8;
    if (cdb[1] == 0x01 && cdb[2] == 0xFE && request.DataIn != 0) {
        const UINT nCount = std::min<UINT>(request.DataTransferLength, kCpuEepromAnswer);
        for (UINT i = 0; i < nCount; ++i) {
            request.DataBuffer[i] = m_cpuEeprom[(nCpuAddress + i) % kCpuEepromSize];
        }
        return Answer{.nTransferred = nCount};
    }
    if (cdb[1] == 0x00 && cdb[2] == 0xFD) {
        m_cpuEeprom[nCpuAddress % kCpuEepromSize] = cdb[3];
        Work(kEepromWriteMicroseconds);
        return Answer{};
    }
    if (cdb[1] == 0x00 && cdb[2] == 0xFF && cdb[4] == 0x44 && cdb[5] == 0x4B && cdb[9] == 0x01) {
        Boot();
        return Answer{};
    }
    return Answer{.nStatus = kStatusCheckCondition, .sense = kSenseInvalidField};
}

CEmulatedEnclosure::Answer CEmulatedEnclosure::UiCommand(ScsiRequest& request,
                                                         std::optional<std::uint64_t> cutAfter,
                                                         LinkFault linkFault) {
    const BYTE nSub = request.Cdb[1];
    const UINT nLength = request.DataTransferLength;
    const std::uint64_t nNow = Now();
    Answer answer{.nStatus = kStatusCheckCondition, .sense = kSenseInvalidField};
    if (nSub == 0x00 && request.DataIn != 0) {
        std::array<BYTE, 4> state = {m_pUi->StateByte(nNow), 0, 0, 0};
        const UINT nCount = std::min<UINT>(nLength, 4);
        std::copy_n(state.begin(), nCount, request.DataBuffer);
        answer = Answer{.nTransferred = nCount};
    } else if (nSub >= 0x01 && nSub <= 0x04 && nLength == 0) {
        m_pUi->SetMode(nSub, nNow);
        answer = Answer{};
    } else if (nSub == 0x10 && request.DataIn == 0) {
        if (IsFullSpeedUsb(*m_pBus) && nLength > kFullSpeedLinkPacket) {
            return answer;
        }
        Work(m_pUi->LinkWrite(std::span<const BYTE>(request.DataBuffer, nLength), linkFault, nNow));
        answer = Answer{.nTransferred = nLength};
    } else if ((nSub == 0x11 || nSub == 0x12) && request.DataIn != 0) {
        // The block says how many bytes to take from the link; a single byte
        // still travels in a two-byte data phase, whose second byte is idle.
        const UINT nAsked = std::min<UINT>(Field(request.Cdb, 7, 2), nLength);
        std::fill_n(request.DataBuffer, nLength, BYTE{0xFF});
        Work(m_pUi->LinkRead(nSub == 0x12, std::span<BYTE>(request.DataBuffer, nAsked), linkFault,
                             nNow));
        answer = Answer{.nTransferred = nLength};
    } else {
        return answer;
    }
    // The controller saw the command; the host never hears how it ended.
    if (cutAfter.has_value()) {
        PowerOff();
        return Answer{.bDelivered = false};
    }
    return answer;
}

CEmulatedEnclosure::Answer CEmulatedEnclosure::ProgramImage(ScsiRequest& request,
                                                            std::optional<std::uint64_t> cutAfter) {
    // Only the firmware programs its own FLASH-ROM; the boot code does not.
    if (m_bRomMode || request.DataIn != 0) {
        return Answer{.nStatus = kStatusCheckCondition, .sense = kSenseInvalidOpcode};
    }
    const std::span<const BYTE> image(request.DataBuffer, request.DataTransferLength);
    if (image.size() > m_flash.Model().nSize) {
        return Answer{.nStatus = kStatusCheckCondition, .sense = kSenseInvalidField};
    }
    CFlashSelfProgrammer programmer(m_flash, Now(), cutAfter);
    const bool bCompleted = programmer.Program(image);
    if (!bCompleted) {
        // The chip is left as it stood at the moment of the cut.
        Work(*cutAfter);
        PowerOff();
        return Answer{.bDelivered = false};
    }
    Work(programmer.ElapsedMicroseconds());
    return Answer{.nTransferred = static_cast<UINT>(image.size())};
}

}  // namespace rf::emu
