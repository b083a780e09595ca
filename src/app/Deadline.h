#pragma once

// An upper bound for a wait on a device: a time on the current clock, and a
// number of polls as a backstop for a clock that does not move while the
// device is asked (no device answers a poll in less than 50 microseconds).

#include <cstdint>

namespace rf {

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
