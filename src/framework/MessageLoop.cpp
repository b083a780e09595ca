#include "framework/MessageLoop.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "base/Clock.h"

namespace rf {

namespace {

std::uint64_t g_nNextSerial = 1;

// Live targets by address, with their serials.
std::unordered_map<const CMessageTarget*, std::uint64_t>& LiveTargets() {
    static std::unordered_map<const CMessageTarget*, std::uint64_t> targets;
    return targets;
}

CHeadlessMessageLoop& DefaultLoop() {
    static CHeadlessMessageLoop loop;
    return loop;
}

IMessagePump* g_pPump = nullptr;

}  // namespace

CMessageTarget::CMessageTarget() : m_nSerial(g_nNextSerial++) {
    LiveTargets()[this] = m_nSerial;
}

CMessageTarget::~CMessageTarget() {
    LiveTargets().erase(this);
}

bool IsTargetAlive(const CMessageTarget* pTarget, std::uint64_t nSerial) {
    const auto& targets = LiveTargets();
    const auto it = targets.find(pTarget);
    return it != targets.end() && it->second == nSerial;
}

void CHeadlessMessageLoop::Pump() {
    // Only what is waiting now: a handler that posts again is served by the
    // next pump, so a message that re-posts itself cannot trap the caller.
    std::size_t nWaiting = m_queue.size();
    while (nWaiting-- > 0 && !m_queue.empty()) {
        const Posted message = m_queue.front();
        m_queue.pop_front();
        if (IsTargetAlive(message.pTarget, message.nSerial)) {
            message.pTarget->WindowProc(message.nMessage, message.wParam, message.lParam);
        }
    }
    m_timers.DispatchDue();
}

void CHeadlessMessageLoop::Post(CMessageTarget& target, UINT nMessage, WPARAM wParam,
                                LPARAM lParam) {
    m_queue.push_back(Posted{&target, target.Serial(), nMessage, wParam, lParam});
}

void CHeadlessMessageLoop::SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) {
    m_timers.Set(target, nId, nPeriodMilliseconds);
}

void CHeadlessMessageLoop::KillTimer(CMessageTarget& target, UINT nId) {
    m_timers.Kill(target, nId);
}

bool CHeadlessMessageLoop::RunUntil(const std::function<bool()>& bDone,
                                    std::uint64_t nTimeoutMilliseconds) {
    const std::uint64_t nStart = GetTickCount64();
    const std::uint64_t nDeadline =
        nTimeoutMilliseconds > std::numeric_limits<std::uint64_t>::max() - nStart
            ? std::numeric_limits<std::uint64_t>::max()
            : nStart + nTimeoutMilliseconds;
    for (;;) {
        if (bDone()) {
            return true;
        }
        Pump();
        if (bDone()) {
            return true;
        }
        if (!m_queue.empty()) {
            continue;
        }
        const std::uint64_t nNow = GetTickCount64();
        const std::uint64_t nNext = m_timers.NextDue();
        if (nNext == std::numeric_limits<std::uint64_t>::max() || nNow >= nDeadline) {
            return false;
        }
        const std::uint64_t nWake = std::min(nNext, nDeadline);
        if (nWake > nNow) {
            CurrentClock().SleepMicroseconds((nWake - nNow) * 1000);
        }
    }
}

IMessagePump& CurrentPump() {
    return g_pPump != nullptr ? *g_pPump : DefaultLoop();
}

void SetCurrentPump(IMessagePump* pPump) {
    g_pPump = pPump;
}

CScopedPump::CScopedPump(IMessagePump& pump) : m_pPrevious(g_pPump) {
    g_pPump = &pump;
}

CScopedPump::~CScopedPump() {
    g_pPump = m_pPrevious;
}

void PumpMessages() {
    CurrentPump().Pump();
}

void PostMessageTo(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    CurrentPump().Post(target, nMessage, wParam, lParam);
}

}  // namespace rf
