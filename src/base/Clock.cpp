#include "base/Clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace rf {

namespace {

CRealClock g_realClock;
IClock* g_pClock = &g_realClock;

}  // namespace

std::uint64_t CRealClock::NowMicroseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

void CRealClock::SleepMicroseconds(std::uint64_t nMicroseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(nMicroseconds));
}

void CRealClock::Elapse(std::uint64_t nMicroseconds) {
    constexpr std::uint64_t kStepMicroseconds = 1000;
    const std::uint64_t nNow = NowMicroseconds();
    // Time the host spent meanwhile counts; a deadline already past (the
    // process was not scheduled) is not caught up in a burst.
    m_nDeviceDeadline = std::max(m_nDeviceDeadline, nNow) + nMicroseconds;
    if (m_nDeviceDeadline - nNow >= kStepMicroseconds) {
        SleepMicroseconds(m_nDeviceDeadline - nNow);
    }
}

void CVirtualClock::SleepMicroseconds(std::uint64_t nMicroseconds) {
    m_sleeps.push_back(nMicroseconds);
    m_nNow += nMicroseconds;
}

IClock& CurrentClock() {
    return *g_pClock;
}

void SetCurrentClock(IClock* pClock) {
    g_pClock = pClock != nullptr ? pClock : &g_realClock;
}

CScopedClock::CScopedClock(IClock& clock) : m_pPrevious(g_pClock) {
    g_pClock = &clock;
}

CScopedClock::~CScopedClock() {
    g_pClock = m_pPrevious;
}

void Sleep(DWORD nMilliseconds) {
    CurrentClock().SleepMicroseconds(std::uint64_t{nMilliseconds} * 1000);
}

DWORD GetTickCount() {
    return static_cast<DWORD>(GetTickCount64());
}

std::uint64_t GetTickCount64() {
    return CurrentClock().NowMicroseconds() / 1000;
}

}  // namespace rf
