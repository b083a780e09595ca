#pragma once

// The window-message model the dialogs are written in, without a window
// system: targets receive posted messages and timer ticks from the pump that
// the front end installed. PumpMessages() dispatches what is waiting and
// returns at once; long device operations reach it between commands through
// the device layer's turn for the front end, so that the window stays alive. Headless (tests,
// terminal) the pump is CHeadlessMessageLoop; the Qt front end installs a pump over Qt's queue.

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "base/Types.h"
#include "framework/TimerTable.h"

namespace rf {

inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;
// Posted by the device search: wParam 1 = a device was opened, 0 = it has gone.
inline constexpr UINT UM_DEVICE_CHANGED = WM_USER + 1000;

// Something that receives messages: a dialog, in this program. Messages and
// timers of a target that is destroyed are dropped, never delivered.
class CMessageTarget {
public:
    CMessageTarget();
    virtual ~CMessageTarget();
    CMessageTarget(const CMessageTarget&) = delete;
    CMessageTarget& operator=(const CMessageTarget&) = delete;

    virtual LRESULT WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam) = 0;

    // Identifies this object among all targets ever made; a new object at
    // the address of a destroyed one gets a new serial.
    std::uint64_t Serial() const { return m_nSerial; }

private:
    std::uint64_t m_nSerial;
};

// True while the target with this address and serial exists.
bool IsTargetAlive(const CMessageTarget* pTarget, std::uint64_t nSerial);

class IMessagePump {
public:
    virtual ~IMessagePump() = default;
    // Dispatches the messages waiting now, then returns; never waits.
    virtual void Pump() = 0;
    virtual void Post(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam) = 0;
    // A periodic WM_TIMER with wParam = nId; setting an existing id restarts it.
    virtual void SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) = 0;
    virtual void KillTimer(CMessageTarget& target, UINT nId) = 0;
};

// Posted messages and timers on the current clock, for tests and the terminal.
class CHeadlessMessageLoop final : public IMessagePump {
public:
    void Pump() override;
    void Post(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam) override;
    void SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) override;
    void KillTimer(CMessageTarget& target, UINT nId) override;

    // Runs the loop until bDone() holds: dispatches messages and, when none
    // wait, sleeps on the current clock until the next timer is due. Returns
    // false when nothing can happen any more (no message, no timer) or when
    // nTimeoutMilliseconds of clock time have passed.
    bool RunUntil(const std::function<bool()>& bDone, std::uint64_t nTimeoutMilliseconds);

    std::size_t PostedCount() const { return m_queue.size(); }

private:
    struct Posted {
        CMessageTarget* pTarget;
        std::uint64_t nSerial;
        UINT nMessage;
        WPARAM wParam;
        LPARAM lParam;
    };

    std::deque<Posted> m_queue;
    CTimerTable m_timers;
};

// The pump PumpMessages and PostMessageTo use. Never null: a headless loop is
// current until the front end installs another.
IMessagePump& CurrentPump();
void SetCurrentPump(IMessagePump* pPump);  // null restores the default loop

class CScopedPump {
public:
    explicit CScopedPump(IMessagePump& pump);
    ~CScopedPump();
    CScopedPump(const CScopedPump&) = delete;
    CScopedPump& operator=(const CScopedPump&) = delete;

private:
    IMessagePump* m_pPrevious;
};

void PumpMessages();
void PostMessageTo(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam);

}  // namespace rf
