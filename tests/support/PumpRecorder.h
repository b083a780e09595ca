#pragma once

// Stands between the program and the current message pump and notes the
// clock at every pump, so that tests and benchmarks can see how long the
// window would have gone without one.

#include <cstdint>
#include <vector>

#include "base/Clock.h"
#include "framework/MessageLoop.h"

namespace rf::test {

class CPumpRecorder final : public IMessagePump {
public:
    explicit CPumpRecorder(IMessagePump& inner) : m_inner(inner), m_scoped(*this) {}

    void Pump() override {
        times.push_back(CurrentClock().NowMicroseconds());
        m_inner.Pump();
    }
    void Post(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam) override {
        m_inner.Post(target, nMessage, wParam, lParam);
    }
    void SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) override {
        m_inner.SetTimer(target, nId, nPeriodMilliseconds);
    }
    void KillTimer(CMessageTarget& target, UINT nId) override { m_inner.KillTimer(target, nId); }

    std::vector<std::uint64_t> times;  // microseconds on the current clock

private:
    IMessagePump& m_inner;
    CScopedPump m_scoped;
};

}  // namespace rf::test
