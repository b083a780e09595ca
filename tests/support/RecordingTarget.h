#pragma once

// A message target that keeps every message it receives, with the tick of
// the clock when it came, and optionally acts on each.

#include <cstdint>
#include <functional>
#include <vector>

#include "app/Clock.h"
#include "app/MessageLoop.h"

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

}  // namespace rf::test
