#include "base/Deadline.h"

#include "base/Clock.h"

namespace rf {

namespace {

constexpr std::uint64_t kPollsPerMillisecond = 20;

}  // namespace

CPollDeadline::CPollDeadline(std::uint64_t nMilliseconds)
    : m_nDeadline(GetTickCount64() + nMilliseconds),
      m_nPollsLeft(nMilliseconds * kPollsPerMillisecond + 1) {}

bool CPollDeadline::Next() {
    if (m_bExpired || m_nPollsLeft == 0 || GetTickCount64() > m_nDeadline) {
        m_bExpired = true;
        return false;
    }
    --m_nPollsLeft;
    return true;
}

}  // namespace rf
