#include "base/SharedClock.h"

#include <atomic>

namespace rf {

std::uint64_t CSharedVirtualClock::NowMicroseconds() {
    return std::atomic_ref<std::uint64_t>(*m_pNow).load();
}

void CSharedVirtualClock::Advance(std::uint64_t nMicroseconds) {
    std::atomic_ref<std::uint64_t>(*m_pNow).fetch_add(nMicroseconds);
}

bool CClockFileScope::Open(const std::string& strPath) {
    m_scoped.reset();
    m_pClock = CSharedVirtualClock::Open(strPath);
    if (m_pClock != nullptr) {
        m_scoped.emplace(*m_pClock);
    }
    return m_pClock != nullptr;
}

}  // namespace rf
