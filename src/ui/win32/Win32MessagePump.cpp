#include "ui/win32/Win32MessagePump.h"

#include <algorithm>

#include "ui/win32/SystemHeaders.h"

namespace rf {

namespace {

constexpr wchar_t kWindowClass[] = L"ReflasherMessagePump";
constexpr ::UINT kDeliverPosted = WM_APP + 1;
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
        if (nMessage == WM_TIMER) {
            pPump->DeliverTimer(wParam);
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
        for (const Timer& timer : m_timers) {
            ::KillTimer(m_hWnd, timer.nKey);
        }
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

CWin32MessagePump::Timer* CWin32MessagePump::FindTimer(const CMessageTarget* pTarget,
                                                       std::uint64_t nSerial, UINT nId) {
    for (Timer& timer : m_timers) {
        if (timer.pTarget == pTarget && timer.nSerial == nSerial && timer.nId == nId) {
            return &timer;
        }
    }
    return nullptr;
}

void CWin32MessagePump::SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) {
    Timer* pTimer = FindTimer(&target, target.Serial(), nId);
    if (pTimer == nullptr) {
        m_timers.push_back(Timer{&target, target.Serial(), nId, m_nNextKey++, false});
        pTimer = &m_timers.back();
    }
    if (m_hWnd != nullptr) {
        ::SetTimer(m_hWnd, pTimer->nKey, nPeriodMilliseconds, nullptr);
    }
}

void CWin32MessagePump::KillTimer(CMessageTarget& target, UINT nId) {
    std::erase_if(m_timers, [&](const Timer& timer) {
        const bool bMatch =
            timer.pTarget == &target && timer.nSerial == target.Serial() && timer.nId == nId;
        if (bMatch && m_hWnd != nullptr) {
            ::KillTimer(m_hWnd, timer.nKey);
        }
        return bMatch;
    });
}

void CWin32MessagePump::DeliverTimer(std::uintptr_t nKey) {
    const auto it = std::find_if(m_timers.begin(), m_timers.end(),
                                 [nKey](const Timer& timer) { return timer.nKey == nKey; });
    if (it == m_timers.end()) {
        ::KillTimer(m_hWnd, nKey);
        return;
    }
    if (!IsTargetAlive(it->pTarget, it->nSerial)) {
        ::KillTimer(m_hWnd, nKey);
        m_timers.erase(it);
        return;
    }
    // A timer whose handler is still running (it pumped messages itself) is
    // not delivered again until that handler has returned.
    if (it->bInDispatch) {
        return;
    }
    it->bInDispatch = true;
    CMessageTarget* pTarget = it->pTarget;
    const std::uint64_t nSerial = it->nSerial;
    const UINT nId = it->nId;
    pTarget->WindowProc(WM_TIMER, nId, 0);
    if (Timer* pAfter = FindTimer(pTarget, nSerial, nId)) {
        pAfter->bInDispatch = false;
    }
}

}  // namespace rf
