#include "base/InterruptGuard.h"

#include <signal.h>

#include <array>

namespace rf {

namespace {

// All a handler may do is note the request; the program's own flow reads it.
volatile sig_atomic_t g_bRequested = 0;

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kSignals.size()> g_previous{};
int g_nGuards = 0;

extern "C" void NoteRequest(int /*nSignal*/) {
    g_bRequested = 1;
}

}  // namespace

CInterruptGuard::CInterruptGuard() {
    // A guard inside a guard changes nothing: the outer one restores.
    if (g_nGuards++ > 0) {
        return;
    }
    g_bRequested = 0;
    struct sigaction action {};
    action.sa_handler = NoteRequest;
    sigemptyset(&action.sa_mask);
    // Reads and writes the signal interrupts go on as if nothing happened.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &action, &g_previous[i]);
    }
}

CInterruptGuard::~CInterruptGuard() {
    if (--g_nGuards > 0) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &g_previous[i], nullptr);
    }
}

bool CInterruptGuard::AnyRequest() const {
    return g_bRequested != 0;
}

}  // namespace rf
