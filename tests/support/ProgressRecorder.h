#pragma once

#include <vector>

#include "framework/controls/ProgressCtrl.h"

namespace rf::test {

// Records every change of a progress bar, in order.
class CProgressRecorder final : public CProgressCtrl::IView {
public:
    struct Event {
        enum Kind { Range, Pos, Repaint } kind;
        int nFirst;
        int nSecond;
        bool operator==(const Event&) const = default;
    };

    CProgressRecorder() { progress.SetView(this); }

    void OnRangeChanged(int nLower, int nUpper) override {
        events.push_back({Event::Range, nLower, nUpper});
    }
    void OnPosChanged(int nPos) override { events.push_back({Event::Pos, nPos, 0}); }
    void OnRepaint() override { events.push_back({Event::Repaint, 0, 0}); }

    std::vector<int> Positions() const {
        std::vector<int> positions;
        for (const Event& event : events) {
            if (event.kind == Event::Pos) {
                positions.push_back(event.nFirst);
            }
        }
        return positions;
    }

    CProgressCtrl progress;
    std::vector<Event> events;
};

}  // namespace rf::test
