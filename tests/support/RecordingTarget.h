#pragma once

// A message target that keeps every message it receives, with the tick of
// the clock when it came, and optionally acts on each.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "base/Clock.h"
#include "framework/MessageLoop.h"

namespace rf::test {

class CRecordingTarget final : public CMessageTarget {
public:
    struct Received {
        UINT nMessage;
        WPARAM wParam;
        std::uint64_t nTick;
    };

    LRESULT WindowProc(UINT nMessage, WPARAM wParam, LPARAM) override {
        received.push_back(Received{nMessage, wParam, GetTickCount64()});
        if (onMessage) {
            onMessage(nMessage, wParam);
        }
        return 0;
    }

    std::vector<Received> received;
    std::function<void(UINT, WPARAM)> onMessage;
};

// Through the current pump: two messages posted to a target wait for the
// pump, then arrive in the order they were posted.
inline void ExpectPostedMessagesWaitForThePump() {
    CRecordingTarget target;
    PostMessageTo(target, UM_DEVICE_CHANGED, 1, 0);
    PostMessageTo(target, UM_DEVICE_CHANGED, 0, 0);
    EXPECT_TRUE(target.received.empty()) << "posted, never sent";
    PumpMessages();
    ASSERT_EQ(target.received.size(), 2u);
    EXPECT_EQ(target.received[0].nMessage, UM_DEVICE_CHANGED);
    EXPECT_EQ(target.received[0].wParam, 1u);
    EXPECT_EQ(target.received[1].wParam, 0u);
}

}  // namespace rf::test
