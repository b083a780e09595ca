#pragma once

// A virtual clock kept in a small file that several processes map: a
// program and an emulated enclosure it reaches through the kernel then share
// one timeline, moved only by the program's sleeps and the enclosure's
// device time, exactly as the one virtual clock of an in-process run moves.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/Clock.h"

namespace rf {

class CSharedVirtualClock final : public IClock {
public:
    // Maps the file, making it (at time zero) when it does not exist; null
    // when it cannot be made or is not a clock file.
    static std::unique_ptr<CSharedVirtualClock> Open(const std::string& strPath);
    ~CSharedVirtualClock() override;
    CSharedVirtualClock(const CSharedVirtualClock&) = delete;
    CSharedVirtualClock& operator=(const CSharedVirtualClock&) = delete;

    std::uint64_t NowMicroseconds() override;
    void SleepMicroseconds(std::uint64_t nMicroseconds) override { Advance(nMicroseconds); }
    void Elapse(std::uint64_t nMicroseconds) override { Advance(nMicroseconds); }

private:
    explicit CSharedVirtualClock(std::uint64_t* pNow) : m_pNow(pNow) {}
    void Advance(std::uint64_t nMicroseconds);

    std::uint64_t* m_pNow;
};

// The clock of a file, current for as long as this object lives.
class CClockFileScope {
public:
    // False when the file cannot be used as a clock; the clock that was
    // current stays so.
    bool Open(const std::string& strPath);

private:
    std::unique_ptr<CSharedVirtualClock> m_pClock;
    std::optional<CScopedClock> m_scoped;
};

}  // namespace rf
