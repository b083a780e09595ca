#pragma once

// Long device operations give the front end a turn between their commands:
// after every chunk of a transfer, in every busy wait and in the fixed waits
// between device steps, so that a window repaints, its progress bar moves and
// its timers run in the middle of an update. This layer does not know what a
// window is; it calls PumpFrontEnd(), and the turn is whatever the host
// installed. Unless a host installs one, there is no turn: the programs with
// dialogs install their message loop's (framework/WindowMessagePump.h).

#include "base/Types.h"

namespace rf {

class IFrontEndPump {
public:
    virtual ~IFrontEndPump() = default;
    // Lets the front end do what waits now, then returns; never waits.
    virtual void Pump() = 0;
};

// The turn PumpFrontEnd and SleepPumping give. Never null.
IFrontEndPump& CurrentFrontEndPump();
void SetFrontEndPump(IFrontEndPump* pPump);  // null restores no turn at all

class CScopedFrontEndPump {
public:
    explicit CScopedFrontEndPump(IFrontEndPump& pump);
    ~CScopedFrontEndPump();
    CScopedFrontEndPump(const CScopedFrontEndPump&) = delete;
    CScopedFrontEndPump& operator=(const CScopedFrontEndPump&) = delete;

private:
    IFrontEndPump* m_pPrevious;
};

void PumpFrontEnd();

// The longest stretch a fixed wait leaves the front end without a turn.
inline constexpr DWORD kPumpSliceMilliseconds = 50;

// Waits like Sleep, but in slices of at most kPumpSliceMilliseconds with a
// turn for the front end before and after each, so that a wait of seconds
// between device steps does not freeze the window. The wait ends when the
// clock has moved nMilliseconds past its start, so time spent in what the
// turn dispatched counts towards it.
void SleepPumping(DWORD nMilliseconds);

}  // namespace rf
