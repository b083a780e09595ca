#pragma once

// The front-panel controller's flash-programming boot mode: the commands
// and data frames of the 78K family's serial programming protocol, acting
// on the controller's own program flash. Every command and data frame is
// answered by a status report that the host fetches with the status
// command (0x70); a report that is not ready yet (an erase under way, a
// frame being programmed) is simply not given.

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "base/Types.h"
#include "emulator/UiControllerSettings.h"
#include "emulator/UiLinkFrames.h"

namespace rf::emu {

// The controller's program flash. It holds firmware the controller starts
// (bValid) only after a whole update: an erase, a programming from address
// 0 whose every frame was written and whose end came as announced, and then
// the security setting. Anything less, power lost on the way included,
// leaves it invalid, and the controller then waits for its boot mode.
struct UiProgramFlash {
    std::vector<BYTE> contents = std::vector<BYTE>(kUiFlashSize, 0xFF);
    bool bValid = false;
    bool bProgrammed = false;  // since the last erase, a programming from 0 ended cleanly
    std::array<BYTE, 2> security = {0xFF, 0xFF};  // flag byte, last block of the boot area
};

class CUiBootLoader {
public:
    CUiBootLoader(UiProgramFlash& flash, const UiControllerTiming& timing)
        : m_flash(flash), m_timing(timing) {}

    // Boot mode entered afresh: no session, nothing to report.
    void Restart();

    // A frame other than a status request, arriving at nNow. Returns the
    // data the frame asks for (empty: none).
    std::vector<BYTE> OnFrame(const HostFrame& frame, std::uint64_t nNow);
    // The statuses to answer a status request with; empty while the oldest
    // report is not ready, or when there is none. A report with a follow-up
    // (the result after the last program frame, the security write) is
    // given once, then the follow-up.
    std::vector<BYTE> OnStatusRequest(std::uint64_t nNow);

    bool IsBusy(std::uint64_t nNow) const { return nNow < m_nBusyUntil; }

    struct Counters {
        std::uint64_t nErases = 0;
        std::uint64_t nFramesProgrammed = 0;
        std::uint64_t nFramesVerified = 0;
        std::uint64_t nVerifyMismatches = 0;
    };
    const Counters& Stats() const { return m_counters; }

private:
    enum class EPhase { Idle, Program, Verify, Security };
    struct Report {
        std::vector<BYTE> statuses;
        std::uint64_t nReadyAt;
    };

    std::vector<BYTE> OnCommand(const std::vector<BYTE>& body, std::uint64_t nNow);
    void OnData(const HostFrame& frame, std::uint64_t nNow);
    void OnProgramData(const HostFrame& frame, std::uint64_t nNow);
    void OnVerifyData(const HostFrame& frame, std::uint64_t nNow);
    void OnSecurityData(const HostFrame& frame, std::uint64_t nNow);
    bool StartRange(const std::vector<BYTE>& body, EPhase ePhase);
    // Replaces what there is to report; FollowUp adds a second report.
    void Answer(std::vector<BYTE> statuses, std::uint64_t nReadyAt);
    void FollowUp(std::vector<BYTE> statuses, std::uint64_t nReadyAt);

    UiProgramFlash& m_flash;
    const UiControllerTiming& m_timing;
    std::deque<Report> m_reports;
    std::uint64_t m_nBusyUntil = 0;
    EPhase m_ePhase = EPhase::Idle;
    std::uint32_t m_nStart = 0;
    std::uint32_t m_nNext = 0;
    std::uint32_t m_nEnd = 0;
    bool m_bSessionOk = true;
    Counters m_counters;
};

}  // namespace rf::emu
