#pragma once

// Faults injected by command index, as the trace numbers commands (every
// attempt counts). The same plan gives the same failure every run.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rf::emu {

enum class FaultKind {
    Fail,            // the request does not get through, on this and the next five attempts
    CheckCondition,  // the bridge refuses the command; nothing is done
    PowerCut,        // the power goes: this command and every later one fail
    // Faults of the serial line to the front-panel controller; they act on
    // UI link commands only and leave every other command alone.
    LinkNoAnswer,     // the frame written, or the answer read, is lost
    LinkBadChecksum,  // the frame written or read carries a wrong checksum
    LinkNak,          // the answer read says NAK instead of its status
    // The person presses Ctrl-C while the command runs: the process is sent
    // SIGINT, and the command itself goes on.
    Interrupt,
};

struct Fault {
    std::uint64_t nIndex = 0;
    FaultKind kind = FaultKind::Fail;
    // Power cut only: how far into the command's own work the power goes
    // (0: before the command does anything).
    std::uint64_t nAfterMicroseconds = 0;
};

// "fail:N", "check-condition:N", "power-cut:N", "power-cut:N+MICROSECONDS",
// "no-answer:N", "bad-checksum:N", "nak:N" or "interrupt:N".
std::optional<Fault> ParseFault(std::string_view text);
std::string FaultKindName(FaultKind kind);
// Every kind's name, as ParseFault takes it.
std::vector<std::string> FaultKindNames();

}  // namespace rf::emu
