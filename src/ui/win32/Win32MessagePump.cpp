#include "ui/win32/Win32MessagePump.h"

#include <algorithm>
#include <limits>

#include "base/Clock.h"

#include "ui/win32/SystemHeaders.h"

namespace rf {

namespace {

constexpr wchar_t kWindowClass[] = L"ReflasherMessagePump";
constexpr ::UINT kDeliverPosted = WM_APP + 1;
// The one system timer of the pump's window: it wakes the pump when the
// next of the dialogs' timers is due.
constexpr ::UINT_PTR kWakeTimer = 1;
// A system timer waits at most this long; a later timer is re-armed on wake.
constexpr std::uint64_t kLongestWakeMilliseconds = 60'000;
// A pump dispatches what is waiting, then returns; a handler that posts
// again and again must not keep the caller in it for ever.
constexpr int kMostMessagesPerPump = 1000;

LRESULT CALLBACK PumpWindowProc(::HWND hWnd, ::UINT nMessage, ::WPARAM wParam, ::LPARAM lParam) {
    auto* pPump = reinterpret_cast<CWin32MessagePump*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pPump != nullptr) {
        if (nMessage == kDeliverPosted) {
            pPump->DeliverPosted();
            return 0;
        }
        if (nMessage == WM_TIMER && wParam == kWakeTimer) {
            pPump->DeliverDueTimers();
            return 0;
        }
    }
    return DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

void RegisterPumpClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &PumpWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
}

}  // namespace

CWin32MessagePump::CWin32MessagePump() {
    RegisterPumpClass();
    m_hWnd = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (m_hWnd != nullptr) {
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

CWin32MessagePump::~CWin32MessagePump() {
    if (m_hWnd != nullptr) {
        ::KillTimer(m_hWnd, kWakeTimer);
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hWnd);
    }
}

void CWin32MessagePump::Pump() {
    MSG msg;
    for (int i = 0; i < kMostMessagesPerPump && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            // Left for the loop that owns the thread.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(&msg);
    }
    DeliverDueTimers();
}

void CWin32MessagePump::Dispatch(const void* pMsg) {
    MSG msg = *static_cast<const MSG*>(pMsg);
    if (m_hDialog != nullptr && IsWindow(m_hDialog) && IsDialogMessageW(m_hDialog, &msg)) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void CWin32MessagePump::Post(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    m_queue.push_back(Posted{&target, target.Serial(), nMessage, wParam, lParam});
    if (m_hWnd != nullptr) {
        PostMessageW(m_hWnd, kDeliverPosted, 0, 0);
    }
}

void CWin32MessagePump::DeliverPosted() {
    if (m_queue.empty()) {
        return;
    }
    const Posted message = m_queue.front();
    m_queue.pop_front();
    if (IsTargetAlive(message.pTarget, message.nSerial)) {
        message.pTarget->WindowProc(message.nMessage, message.wParam, message.lParam);
    }
}

void CWin32MessagePump::SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) {
    m_timers.Set(target, nId, nPeriodMilliseconds);
    ArmWake();
}

void CWin32MessagePump::KillTimer(CMessageTarget& target, UINT nId) {
    m_timers.Kill(target, nId);
    ArmWake();
}

void CWin32MessagePump::DeliverDueTimers() {
    m_timers.DispatchDue();
    ArmWake();
}

void CWin32MessagePump::ArmWake() {
    if (m_hWnd == nullptr) {
        return;
    }
    const std::uint64_t nNext = m_timers.NextDue();
    if (nNext == std::numeric_limits<std::uint64_t>::max()) {
        ::KillTimer(m_hWnd, kWakeTimer);
        return;
    }
    const std::uint64_t nNow = GetTickCount64();
    const std::uint64_t nWait = nNext > nNow ? std::min(nNext - nNow, kLongestWakeMilliseconds) : 0;
    ::SetTimer(m_hWnd, kWakeTimer, static_cast<::UINT>(nWait), nullptr);
}

}  // namespace rf
