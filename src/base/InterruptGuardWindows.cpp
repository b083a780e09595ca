#include "base/InterruptGuard.h"

#include <windows.h>

#include <csignal>

namespace rf {

namespace {

volatile LONG g_nRequested = 0;
int g_nGuards = 0;
// Set while no guard lives: a close event waits for it.
HANDLE g_hGuardsGone = nullptr;
void (*g_pPreviousInt)(int) = SIG_DFL;
void (*g_pPreviousTerm)(int) = SIG_DFL;

BOOL WINAPI NoteConsoleRequest(DWORD nEvent) {
    InterlockedExchange(&g_nRequested, 1);
    if (nEvent == CTRL_CLOSE_EVENT || nEvent == CTRL_LOGOFF_EVENT ||
        nEvent == CTRL_SHUTDOWN_EVENT) {
        // The system ends the process once this returns: it returns when the
        // update is over (or when the system stops waiting).
        WaitForSingleObject(g_hGuardsGone, INFINITE);
    }
    return TRUE;
}

// raise() of the C library does not pass the console.
extern "C" void NoteSignal(int nSignal) {
    InterlockedExchange(&g_nRequested, 1);
    std::signal(nSignal, NoteSignal);
}

}  // namespace

CInterruptGuard::CInterruptGuard() {
    if (g_nGuards++ > 0) {
        return;
    }
    InterlockedExchange(&g_nRequested, 0);
    if (g_hGuardsGone == nullptr) {
        g_hGuardsGone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ResetEvent(g_hGuardsGone);
    SetConsoleCtrlHandler(NoteConsoleRequest, TRUE);
    g_pPreviousInt = std::signal(SIGINT, NoteSignal);
    g_pPreviousTerm = std::signal(SIGTERM, NoteSignal);
}

CInterruptGuard::~CInterruptGuard() {
    if (--g_nGuards > 0) {
        return;
    }
    std::signal(SIGINT, g_pPreviousInt);
    std::signal(SIGTERM, g_pPreviousTerm);
    SetConsoleCtrlHandler(NoteConsoleRequest, FALSE);
    SetEvent(g_hGuardsGone);
}

bool CInterruptGuard::AnyRequest() const {
    return g_nRequested != 0;
}

}  // namespace rf
