#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/Clock.h"
#include "framework/MessageLoop.h"
#include "support/RecordingTarget.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

TEST(ClockTest, VirtualSleepAdvancesTimeAtOnceAndIsRecorded) {
    CTestEnvironment env;
    const std::uint64_t nStart = GetTickCount64();
    Sleep(10);
    Sleep(2000);
    EXPECT_EQ(GetTickCount64() - nStart, 2010u);
    EXPECT_EQ(env.clock.Sleeps(), (std::vector<std::uint64_t>{10'000, 2'000'000}));
}

TEST(ClockTest, TickCountWrapsAt32Bits) {
    CVirtualClock clock((std::uint64_t{1} << 32) * 1000 + 5000);
    CScopedClock scoped(clock);
    EXPECT_EQ(GetTickCount(), 5u);
    EXPECT_EQ(GetTickCount64(), (std::uint64_t{1} << 32) + 5);
}

TEST(MessageLoopTest, PostedMessagesArriveInOrderOnlyWhenPumped) {
    CTestEnvironment env;
    ExpectPostedMessagesWaitForThePump();
    EXPECT_EQ(UM_DEVICE_CHANGED, 2024u);
}

TEST(MessageLoopTest, MessagesForADestroyedTargetAreDropped) {
    CTestEnvironment env;
    auto target = std::make_unique<CRecordingTarget>();
    PostMessageTo(*target, UM_DEVICE_CHANGED, 1, 0);
    env.loop.SetTimer(*target, 1, 1000);
    target.reset();
    auto other = std::make_unique<CRecordingTarget>();  // may reuse the address
    env.clock.Advance(5'000'000);
    PumpMessages();
    EXPECT_TRUE(other->received.empty());
}

TEST(MessageLoopTest, AHandlerThatPostsAgainDoesNotTrapThePump) {
    CTestEnvironment env;
    CRecordingTarget target;
    target.onMessage = [&](UINT, WPARAM) { PostMessageTo(target, WM_USER, 0, 0); };
    PostMessageTo(target, WM_USER, 0, 0);
    PumpMessages();
    EXPECT_EQ(target.received.size(), 1u);
    EXPECT_EQ(env.loop.PostedCount(), 1u);
}

TEST(MessageLoopTest, TimerTicksAtItsPeriodOnTheClock) {
    CTestEnvironment env;
    CRecordingTarget target;
    const std::uint64_t nStart = GetTickCount64();
    env.loop.SetTimer(target, 1, 1000);
    EXPECT_TRUE(env.loop.RunUntil([&] { return target.received.size() == 3; }, 60'000));
    ASSERT_EQ(target.received.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(target.received[i].nMessage, WM_TIMER);
        EXPECT_EQ(target.received[i].wParam, 1u);
        EXPECT_EQ(target.received[i].nTick - nStart, 1000 * (i + 1));
    }
    env.loop.KillTimer(target, 1);
    EXPECT_FALSE(env.loop.RunUntil([] { return false; }, 60'000)) << "nothing can happen any more";
}

TEST(MessageLoopTest, ATimerIsNotDeliveredAgainWhileItsHandlerPumps) {
    CTestEnvironment env;
    CRecordingTarget target;
    int nDepth = 0;
    int nMaxDepth = 0;
    target.onMessage = [&](UINT nMessage, WPARAM) {
        if (nMessage != WM_TIMER) {
            return;
        }
        ++nDepth;
        nMaxDepth = std::max(nMaxDepth, nDepth);
        // A long operation inside the tick: pumps while time passes.
        for (int i = 0; i < 5; ++i) {
            Sleep(1000);
            PumpMessages();
        }
        --nDepth;
    };
    env.loop.SetTimer(target, 1, 1000);
    env.loop.RunUntil([&] { return target.received.size() >= 3; }, 60'000);
    EXPECT_EQ(nMaxDepth, 1);
}

TEST(MessageLoopTest, RunUntilGivesUpAtItsDeadline) {
    CTestEnvironment env;
    CRecordingTarget target;
    env.loop.SetTimer(target, 1, 1000);
    const std::uint64_t nStart = GetTickCount64();
    EXPECT_FALSE(env.loop.RunUntil([] { return false; }, 10'500));
    EXPECT_EQ(GetTickCount64() - nStart, 10'500u);
    EXPECT_EQ(target.received.size(), 10u);
}

}  // namespace
}  // namespace rf::test
