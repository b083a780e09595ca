#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "device/FrontEndPump.h"
#include "framework/MessageLoop.h"
#include "support/PumpRecorder.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

class CTickTarget final : public CMessageTarget {
public:
    LRESULT WindowProc(UINT nMessage, WPARAM, LPARAM) override {
        ticks.push_back(GetTickCount64());
        if (nMessage == WM_USER) {
            Sleep(nBusyMilliseconds);
        }
        return 0;
    }
    std::vector<std::uint64_t> ticks;
    DWORD nBusyMilliseconds = 0;
};

TEST(SleepPumpingTest, WaitsTheWholeTimeInSlicesWithAPumpAroundEach) {
    CTestEnvironment env;
    CPumpRecorder recorder(env.loop);
    const std::uint64_t nStart = env.clock.NowMicroseconds();
    SleepPumping(2000);
    EXPECT_EQ(env.clock.NowMicroseconds() - nStart, 2'000'000u) << "as long as the plain wait";
    const auto& sleeps = env.clock.Sleeps();
    EXPECT_EQ(std::accumulate(sleeps.begin(), sleeps.end(), std::uint64_t{0}), 2'000'000u);
    EXPECT_LE(*std::max_element(sleeps.begin(), sleeps.end()), 50'000u);
    ASSERT_EQ(recorder.times.size(), sleeps.size() + 1);
    EXPECT_EQ(recorder.times.front(), nStart) << "what waits is served before the wait";
    EXPECT_EQ(recorder.times.back(), nStart + 2'000'000);

    // A wait shorter than a slice is one slice; none at all still pumps.
    env.clock.ClearSleeps();
    SleepPumping(7);
    EXPECT_EQ(env.clock.Sleeps(), (std::vector<std::uint64_t>{7'000}));
    const std::size_t nPumps = recorder.times.size();
    SleepPumping(0);
    EXPECT_EQ(recorder.times.size(), nPumps + 1);
}

TEST(SleepPumpingTest, TimeTakenByWhatThePumpDispatchesCountsTowardsTheWait) {
    CTestEnvironment env;
    CTickTarget target;
    target.nBusyMilliseconds = 120;
    const std::uint64_t nStart = GetTickCount64();
    PostMessageTo(target, WM_USER, 0, 0);
    env.loop.SetTimer(target, 1, 1000);
    SleepPumping(1000);
    ASSERT_EQ(target.ticks.size(), 2u) << "the posted message at once, the timer when due";
    EXPECT_EQ(target.ticks[0], nStart);
    EXPECT_EQ(GetTickCount64() - nStart, 1000u) << "the handler's 120 ms were part of the wait";
}

}  // namespace
}  // namespace rf::test
