#include "framework/TimerTable.h"

#include <algorithm>
#include <limits>

#include "base/Clock.h"
#include "framework/MessageLoop.h"

namespace rf {

void CTimerTable::Set(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) {
    const std::uint64_t nDue = GetTickCount64() + nPeriodMilliseconds;
    if (Timer* pTimer = Find(&target, target.Serial(), nId)) {
        pTimer->nPeriod = nPeriodMilliseconds;
        pTimer->nDue = nDue;
        return;
    }
    m_timers.push_back(Timer{&target, target.Serial(), nId, nPeriodMilliseconds, nDue, false});
}

void CTimerTable::Kill(CMessageTarget& target, UINT nId) {
    std::erase_if(m_timers, [&](const Timer& timer) {
        return timer.pTarget == &target && timer.nSerial == target.Serial() && timer.nId == nId;
    });
}

CTimerTable::Timer* CTimerTable::Find(const CMessageTarget* pTarget, std::uint64_t nSerial,
                                      UINT nId) {
    for (Timer& timer : m_timers) {
        if (timer.pTarget == pTarget && timer.nSerial == nSerial && timer.nId == nId) {
            return &timer;
        }
    }
    return nullptr;
}

void CTimerTable::DispatchDue() {
    std::erase_if(m_timers,
                  [](const Timer& timer) { return !IsTargetAlive(timer.pTarget, timer.nSerial); });
    // Handlers may set or kill timers, so work from a copy of the keys.
    const std::vector<Timer> snapshot = m_timers;
    for (const Timer& key : snapshot) {
        Timer* pTimer = Find(key.pTarget, key.nSerial, key.nId);
        const std::uint64_t nNow = GetTickCount64();
        if (pTimer == nullptr || pTimer->bInDispatch || pTimer->nDue > nNow) {
            continue;
        }
        pTimer->nDue = nNow + pTimer->nPeriod;
        pTimer->bInDispatch = true;
        if (IsTargetAlive(key.pTarget, key.nSerial)) {
            key.pTarget->WindowProc(WM_TIMER, key.nId, 0);
        }
        if (Timer* pAfter = Find(key.pTarget, key.nSerial, key.nId)) {
            pAfter->bInDispatch = false;
        }
    }
}

std::uint64_t CTimerTable::NextDue() const {
    std::uint64_t nNext = std::numeric_limits<std::uint64_t>::max();
    for (const Timer& timer : m_timers) {
        if (!timer.bInDispatch && IsTargetAlive(timer.pTarget, timer.nSerial)) {
            nNext = std::min(nNext, timer.nDue);
        }
    }
    return nNext;
}

}  // namespace rf
