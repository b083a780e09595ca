#pragma once

// One clock for every wait and every time reading of the program. The
// programs run on the real monotonic clock; tests and the emulated enclosure
// run on a virtual clock whose Sleep advances time at once, so a whole update
// runs in milliseconds while every wait is still visible and checked.

#include <cstdint>
#include <vector>

#include "base/Types.h"

namespace rf {

class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic time since an arbitrary origin.
    virtual std::uint64_t NowMicroseconds() = 0;
    virtual void SleepMicroseconds(std::uint64_t nMicroseconds) = 0;
    // Time that passes while a device works (an emulated device's latency
    // and busy time): the real clock waits it out, a virtual clock moves on
    // without counting it as one of our sleeps.
    virtual void Elapse(std::uint64_t nMicroseconds) = 0;
};

class CRealClock final : public IClock {
public:
    std::uint64_t NowMicroseconds() override;
    void SleepMicroseconds(std::uint64_t nMicroseconds) override;
    // A device's time is waited out against a running deadline, in steps
    // of at least a millisecond: a sleep for each 125 us command of a fast
    // link costs the host more than the command it models, and oversleeps
    // each time, so that device time ran half as long again as modelled.
    void Elapse(std::uint64_t nMicroseconds) override;

private:
    std::uint64_t m_nDeviceDeadline = 0;  // when the device's time so far has passed
};

class CVirtualClock final : public IClock {
public:
    explicit CVirtualClock(std::uint64_t nStartMicroseconds = 0) : m_nNow(nStartMicroseconds) {}

    std::uint64_t NowMicroseconds() override { return m_nNow; }
    // Advances time by the whole wait and records it.
    void SleepMicroseconds(std::uint64_t nMicroseconds) override;
    void Elapse(std::uint64_t nMicroseconds) override { m_nNow += nMicroseconds; }
    void Advance(std::uint64_t nMicroseconds) { m_nNow += nMicroseconds; }

    // Every sleep since construction or the last ClearSleeps, in microseconds.
    const std::vector<std::uint64_t>& Sleeps() const { return m_sleeps; }
    void ClearSleeps() { m_sleeps.clear(); }

private:
    std::uint64_t m_nNow;
    std::vector<std::uint64_t> m_sleeps;
};

// The clock that Sleep and the tick functions use. Never null: a real clock
// is current until another one is installed.
IClock& CurrentClock();
void SetCurrentClock(IClock* pClock);  // null restores the real clock

// Installs a clock for the life of the guard and restores the previous one.
class CScopedClock {
public:
    explicit CScopedClock(IClock& clock);
    ~CScopedClock();
    CScopedClock(const CScopedClock&) = delete;
    CScopedClock& operator=(const CScopedClock&) = delete;

private:
    IClock* m_pPrevious;
};

void Sleep(DWORD nMilliseconds);
// The 32-bit millisecond tick; wraps after about 49.7 days.
DWORD GetTickCount();
// A millisecond tick that does not wrap; deadlines are computed with it.
std::uint64_t GetTickCount64();

}  // namespace rf
