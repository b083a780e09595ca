#include "emulator/UiBootLoader.h"

#include <algorithm>

namespace rf::emu {

namespace {

constexpr BYTE kReset = 0x00;
constexpr BYTE kVerify = 0x13;
constexpr BYTE kChipErase = 0x20;
constexpr BYTE kProgram = 0x40;
constexpr BYTE kSecurity = 0xA0;
constexpr BYTE kVersion = 0xC5;

constexpr std::size_t kRangeCommandLength = 7;  // code, start (3 bytes), end (3 bytes)
constexpr std::size_t kSecurityCommandLength = 3;
constexpr std::size_t kSecurityDataLength = 2;

std::uint32_t Address24(const std::vector<BYTE>& body, std::size_t nFirst) {
    return std::uint32_t{body[nFirst]} << 16 | std::uint32_t{body[nFirst + 1]} << 8 |
           body[nFirst + 2];
}

std::uint64_t Nanoseconds(std::size_t nBytes, std::uint32_t nPerByte) {
    return std::uint64_t{nBytes} * nPerByte / 1000;
}

}  // namespace

void CUiBootLoader::Restart() {
    m_reports.clear();
    m_nBusyUntil = 0;
    m_ePhase = EPhase::Idle;
}

void CUiBootLoader::Answer(std::vector<BYTE> statuses, std::uint64_t nReadyAt) {
    m_reports.clear();
    m_reports.push_back(Report{std::move(statuses), nReadyAt});
    m_nBusyUntil = nReadyAt;
}

void CUiBootLoader::FollowUp(std::vector<BYTE> statuses, std::uint64_t nReadyAt) {
    m_reports.push_back(Report{std::move(statuses), nReadyAt});
    m_nBusyUntil = std::max(m_nBusyUntil, nReadyAt);
}

std::vector<BYTE> CUiBootLoader::OnStatusRequest(std::uint64_t nNow) {
    if (m_reports.empty() || m_reports.front().nReadyAt > nNow) {
        return {};
    }
    std::vector<BYTE> statuses = m_reports.front().statuses;
    if (m_reports.size() > 1) {
        m_reports.pop_front();
    }
    return statuses;
}

std::vector<BYTE> CUiBootLoader::OnFrame(const HostFrame& frame, std::uint64_t nNow) {
    // Busy with its flash, the loader does not listen to the line.
    if (IsBusy(nNow)) {
        return {};
    }
    if (!frame.bChecksumOk) {
        const bool bDataStatus =
            !frame.bCommand && (m_ePhase == EPhase::Program || m_ePhase == EPhase::Verify);
        Answer(bDataStatus ? std::vector<BYTE>{kLinkChecksumError, kLinkChecksumError}
                           : std::vector<BYTE>{kLinkChecksumError},
               nNow);
        return {};
    }
    if (frame.bCommand) {
        return OnCommand(frame.body, nNow);
    }
    OnData(frame, nNow);
    return {};
}

std::vector<BYTE> CUiBootLoader::OnCommand(const std::vector<BYTE>& body, std::uint64_t nNow) {
    // A command ends whatever programming, verify or security setting was
    // under way.
    m_ePhase = EPhase::Idle;
    switch (body[0]) {
        case kReset:
            Answer({kLinkAck}, nNow);
            return {};
        case kChipErase:
            std::fill(m_flash.contents.begin(), m_flash.contents.end(), 0xFF);
            m_flash.bValid = false;
            m_flash.bProgrammed = false;
            ++m_counters.nErases;
            Answer({kLinkAck}, nNow + m_timing.nChipEraseMicroseconds);
            return {};
        case kProgram:
        case kVerify: {
            const EPhase ePhase = body[0] == kProgram ? EPhase::Program : EPhase::Verify;
            Answer({StartRange(body, ePhase) ? kLinkAck : kLinkParameterError}, nNow);
            return {};
        }
        case kSecurity: {
            const bool bOk = body.size() == kSecurityCommandLength && body[1] == 0 && body[2] == 0;
            m_ePhase = bOk ? EPhase::Security : EPhase::Idle;
            Answer({bOk ? kLinkAck : kLinkParameterError}, nNow);
            return {};
        }
        case kVersion:
            Answer({kLinkAck}, nNow);
            return std::vector<BYTE>(kUiBootLoaderVersion.begin(), kUiBootLoaderVersion.end());
        default:
            Answer({kLinkCommandError}, nNow);
            return {};
    }
}

bool CUiBootLoader::StartRange(const std::vector<BYTE>& body, EPhase ePhase) {
    if (body.size() != kRangeCommandLength) {
        return false;
    }
    const std::uint32_t nStart = Address24(body, 1);
    const std::uint32_t nEnd = Address24(body, 4);
    if (nStart > nEnd || nEnd >= kUiFlashSize) {
        return false;
    }
    m_ePhase = ePhase;
    m_nStart = nStart;
    m_nNext = nStart;
    m_nEnd = nEnd;
    m_bSessionOk = true;
    if (ePhase == EPhase::Program) {
        // From the first byte written on, the old firmware is gone.
        m_flash.bValid = false;
        m_flash.bProgrammed = false;
    }
    return true;
}

void CUiBootLoader::OnData(const HostFrame& frame, std::uint64_t nNow) {
    switch (m_ePhase) {
        case EPhase::Idle:
            Answer({kLinkNak, kLinkNak}, nNow);
            return;
        case EPhase::Program:
            OnProgramData(frame, nNow);
            return;
        case EPhase::Verify:
            OnVerifyData(frame, nNow);
            return;
        case EPhase::Security:
            OnSecurityData(frame, nNow);
            return;
    }
}

void CUiBootLoader::OnProgramData(const HostFrame& frame, std::uint64_t nNow) {
    const std::size_t nCount = frame.body.size();
    if (m_nNext + nCount > std::size_t{m_nEnd} + 1) {
        m_ePhase = EPhase::Idle;
        Answer({kLinkAck, kLinkParameterError}, nNow);
        return;
    }
    // Programming only clears bits: a byte that needs one set cannot be written.
    bool bWritten = true;
    for (std::size_t i = 0; i < nCount; ++i) {
        BYTE& nCell = m_flash.contents[m_nNext + i];
        const BYTE nValue = frame.body[i];
        bWritten = bWritten && (nCell & nValue) == nValue;
        nCell = static_cast<BYTE>(nCell & nValue);
    }
    m_nNext += static_cast<std::uint32_t>(nCount);
    m_bSessionOk = m_bSessionOk && bWritten;
    ++m_counters.nFramesProgrammed;
    const std::uint64_t nDone = nNow + Nanoseconds(nCount, m_timing.nProgramNanosecondsPerByte);
    Answer({kLinkAck, bWritten ? kLinkAck : kLinkWriteError}, nDone);
    if (!frame.bLast) {
        return;
    }
    // The last frame: the loader checks what it wrote and reports once more.
    m_ePhase = EPhase::Idle;
    const bool bComplete = m_bSessionOk && m_nNext == m_nEnd + 1;
    if (bComplete && m_nStart == 0) {
        m_flash.bProgrammed = true;
    }
    FollowUp({bComplete ? kLinkAck : kLinkWriteError},
             nDone + m_timing.nInternalVerifyMicroseconds);
}

void CUiBootLoader::OnVerifyData(const HostFrame& frame, std::uint64_t nNow) {
    const std::size_t nCount = frame.body.size();
    if (m_nNext + nCount > std::size_t{m_nEnd} + 1) {
        m_ePhase = EPhase::Idle;
        Answer({kLinkAck, kLinkParameterError}, nNow);
        return;
    }
    const auto first = m_flash.contents.begin() + static_cast<std::ptrdiff_t>(m_nNext);
    const bool bSame = std::equal(frame.body.begin(), frame.body.end(), first);
    m_nNext += static_cast<std::uint32_t>(nCount);
    ++m_counters.nFramesVerified;
    if (!bSame) {
        ++m_counters.nVerifyMismatches;
    }
    if (frame.bLast) {
        m_ePhase = EPhase::Idle;
    }
    Answer({kLinkAck, bSame ? kLinkAck : kLinkVerifyError},
           nNow + Nanoseconds(nCount, m_timing.nVerifyNanosecondsPerByte));
}

void CUiBootLoader::OnSecurityData(const HostFrame& frame, std::uint64_t nNow) {
    m_ePhase = EPhase::Idle;
    if (!frame.bLast || frame.body.size() != kSecurityDataLength) {
        Answer({kLinkParameterError}, nNow);
        return;
    }
    if (m_timing.bRefuseSecuritySetting) {
        Answer(m_timing.bTwoByteSecurityStatus ? std::vector<BYTE>{kLinkAck, kLinkProtectError}
                                               : std::vector<BYTE>{kLinkProtectError},
               nNow);
        return;
    }
    m_flash.security = {frame.body[0], frame.body[1]};
    // The security setting closes an update: only now does a completely
    // programmed flash count as firmware.
    m_flash.bValid = m_flash.bProgrammed;
    Answer(m_timing.bTwoByteSecurityStatus ? std::vector<BYTE>{kLinkAck, kLinkAck}
                                           : std::vector<BYTE>{kLinkAck},
           nNow);
    FollowUp({kLinkAck}, nNow + m_timing.nSecurityMicroseconds);
}

}  // namespace rf::emu
