#include "device/FrontEndPump.h"

#include <algorithm>
#include <cstdint>

#include "base/Clock.h"

namespace rf {

namespace {

IFrontEndPump* g_pFrontEndPump = nullptr;

class CNoTurn final : public IFrontEndPump {
public:
    void Pump() override {}
};

}  // namespace

IFrontEndPump& CurrentFrontEndPump() {
    static CNoTurn noTurn;
    return g_pFrontEndPump != nullptr ? *g_pFrontEndPump : noTurn;
}

void SetFrontEndPump(IFrontEndPump* pPump) {
    g_pFrontEndPump = pPump;
}

CScopedFrontEndPump::CScopedFrontEndPump(IFrontEndPump& pump) : m_pPrevious(g_pFrontEndPump) {
    g_pFrontEndPump = &pump;
}

CScopedFrontEndPump::~CScopedFrontEndPump() {
    g_pFrontEndPump = m_pPrevious;
}

void PumpFrontEnd() {
    CurrentFrontEndPump().Pump();
}

void SleepPumping(DWORD nMilliseconds) {
    IClock& clock = CurrentClock();
    const std::uint64_t nEnd = clock.NowMicroseconds() + std::uint64_t{nMilliseconds} * 1000;
    PumpFrontEnd();
    for (;;) {
        const std::uint64_t nNow = clock.NowMicroseconds();
        if (nNow >= nEnd) {
            return;
        }
        clock.SleepMicroseconds(
            std::min(nEnd - nNow, std::uint64_t{kPumpSliceMilliseconds} * 1000));
        PumpFrontEnd();
    }
}

}  // namespace rf
