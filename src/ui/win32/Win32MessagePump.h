#pragma once

// The message pump of the Windows program: the thread's own message queue.
// Messages posted to a dialog and the dialogs' timers travel through a
// message-only window of the pump, so they are delivered in queue order by
// whichever loop runs: the dialog's, a message box's, or PumpMessages()
// inside a long operation (PeekMessage, TranslateMessage, DispatchMessage).

#include <cstdint>
#include <deque>
#include <vector>

#include "app/MessageLoop.h"
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
    void DeliverTimer(std::uintptr_t nKey);

private:
    struct Posted {
        CMessageTarget* pTarget;
        std::uint64_t nSerial;
        UINT nMessage;
        WPARAM wParam;
        LPARAM lParam;
    };
    struct Timer {
        CMessageTarget* pTarget;
        std::uint64_t nSerial;
        UINT nId;
        std::uintptr_t nKey;  // the system timer's id on the pump's window
        bool bInDispatch;
    };

    Timer* FindTimer(const CMessageTarget* pTarget, std::uint64_t nSerial, UINT nId);

    HWND m_hWnd = nullptr;
    HWND m_hDialog = nullptr;
    std::deque<Posted> m_queue;
    std::vector<Timer> m_timers;
    std::uintptr_t m_nNextKey = 1;
};

}  // namespace rf
