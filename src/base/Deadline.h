#pragma once

// An upper bound for a wait on a device: a time on the current clock, and a
// number of polls as a backstop for a clock that does not move while the
// device is asked (no device answers a poll in less than 50 microseconds).

#include <cstdint>

namespace rf {

// The slowest link the enclosure may be attached by: full-speed USB, where
// each of a command's three phases (command, data, status) waits for its
// own 1 ms frame, plus the host's turnaround. Every wait on the device
// allows for its commands taking this long.
inline constexpr std::uint64_t kSlowestCommandMicroseconds = 4'000;
// How many times the worst case a wait allows before it counts as failed.
inline constexpr std::uint64_t kWaitMargin = 4;

// The limit of a wait for a part that needs at most nPartMicroseconds and
// is asked with nCommands commands on the way: the margin times the part's
// worst case plus those commands on the slowest link, in milliseconds.
constexpr std::uint64_t WaitLimitMilliseconds(std::uint64_t nPartMicroseconds,
                                              std::uint64_t nCommands) {
    return (kWaitMargin * (nPartMicroseconds + nCommands * kSlowestCommandMicroseconds) + 999) /
           1000;
}

class CPollDeadline {
public:
    explicit CPollDeadline(std::uint64_t nMilliseconds);

    // True while another poll may be made; counts the poll.
    bool Next();
    bool Expired() const { return m_bExpired; }

private:
    std::uint64_t m_nDeadline;
    std::uint64_t m_nPollsLeft;
    bool m_bExpired = false;
};

}  // namespace rf
