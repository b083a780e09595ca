#pragma once

// The periodic timers of the message targets, kept on the program's clock.
// Every pump holds one: the headless loop and the window's pump differ only
// in how they wait for the next one to be due.

#include <cstdint>
#include <vector>

#include "base/Types.h"

namespace rf {

class CMessageTarget;

class CTimerTable {
public:
    // Setting an existing id restarts it with the new period.
    void Set(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds);
    void Kill(CMessageTarget& target, UINT nId);

    // Delivers WM_TIMER for every timer that is due on the current clock. A
    // timer whose handler is still running (it pumped messages itself) is
    // not delivered again until that handler has returned.
    void DispatchDue();

    // The earliest tick (GetTickCount64) at which a timer may fire, or
    // UINT64_MAX when none can.
    std::uint64_t NextDue() const;

private:
    struct Timer {
        CMessageTarget* pTarget;
        std::uint64_t nSerial;
        UINT nId;
        UINT nPeriod;
        std::uint64_t nDue;
        bool bInDispatch;
    };

    Timer* Find(const CMessageTarget* pTarget, std::uint64_t nSerial, UINT nId);

    std::vector<Timer> m_timers;
};

}  // namespace rf
