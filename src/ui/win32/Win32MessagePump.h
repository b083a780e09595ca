#pragma once

// The message pump of the Windows program: the thread's own message queue.
// Messages posted to a dialog travel through a message-only window of the
// pump, and the dialogs' timers (kept on the program's clock) wake it, so they are delivered in
// queue order by whichever loop runs: the dialog's, a message box's, or PumpMessages() inside a
// long operation (PeekMessage, TranslateMessage, DispatchMessage).

#include <cstdint>
#include <deque>

#include "framework/MessageLoop.h"
#include "framework/TimerTable.h"
#include "ui/win32/Win32Handles.h"

namespace rf {

class CWin32MessagePump final : public IMessagePump {
public:
    CWin32MessagePump();
    ~CWin32MessagePump() override;
    CWin32MessagePump(const CWin32MessagePump&) = delete;
    CWin32MessagePump& operator=(const CWin32MessagePump&) = delete;

    void Pump() override;
    void Post(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam) override;
    void SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) override;
    void KillTimer(CMessageTarget& target, UINT nId) override;

    // The dialog whose keyboard interface (Tab, Enter, Escape) messages
    // pass through while the pump runs; null for none.
    void SetDialogWindow(HWND hDialog) { m_hDialog = hDialog; }
    // Translates and dispatches one message taken from the queue.
    void Dispatch(const void* pMsg);

    // Called by the pump's window.
    void DeliverPosted();
    void DeliverDueTimers();

private:
    struct Posted {
        CMessageTarget* pTarget;
        std::uint64_t nSerial;
        UINT nMessage;
        WPARAM wParam;
        LPARAM lParam;
    };
    // Sets the system timer that wakes the pump when the next timer is due.
    void ArmWake();

    HWND m_hWnd = nullptr;
    HWND m_hDialog = nullptr;
    std::deque<Posted> m_queue;
    CTimerTable m_timers;
};

}  // namespace rf
