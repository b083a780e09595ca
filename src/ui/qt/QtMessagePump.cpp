#include "ui/qt/QtMessagePump.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <limits>

#include "app/Clock.h"

namespace rf {

namespace {

QEvent::Type PostedMessageType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// A message posted to a target; the serial keeps a message for a destroyed
// target from reaching a new object at the same address.
class CPostedMessageEvent final : public QEvent {
public:
    CPostedMessageEvent(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam)
        : QEvent(PostedMessageType()),
          m_pTarget(&target),
          m_nSerial(target.Serial()),
          m_nMessage(nMessage),
          m_wParam(wParam),
          m_lParam(lParam) {}

    void Deliver() const {
        if (IsTargetAlive(m_pTarget, m_nSerial)) {
            m_pTarget->WindowProc(m_nMessage, m_wParam, m_lParam);
        }
    }

private:
    CMessageTarget* m_pTarget;
    std::uint64_t m_nSerial;
    UINT m_nMessage;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

// A Qt timer cannot wait longer than this; a later timer is re-armed on wake.
constexpr std::uint64_t kLongestWakeMilliseconds = 60'000;

}  // namespace

CQtMessagePump::CQtMessagePump() {
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_wake, &QTimer::timeout, this, [this] { DispatchDueTimers(); });
}

CQtMessagePump::~CQtMessagePump() = default;

void CQtMessagePump::Pump() {
    QCoreApplication::processEvents();
    DispatchDueTimers();
}

void CQtMessagePump::Post(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    QCoreApplication::postEvent(this, new CPostedMessageEvent(target, nMessage, wParam, lParam));
}

bool CQtMessagePump::event(QEvent* pEvent) {
    if (pEvent->type() == PostedMessageType()) {
        static_cast<CPostedMessageEvent*>(pEvent)->Deliver();
        return true;
    }
    return QObject::event(pEvent);
}

void CQtMessagePump::SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) {
    const std::uint64_t nDue = GetTickCount64() + nPeriodMilliseconds;
    if (Timer* pTimer = FindTimer(&target, target.Serial(), nId)) {
        pTimer->nPeriod = nPeriodMilliseconds;
        pTimer->nDue = nDue;
    } else {
        m_timers.push_back(Timer{&target, target.Serial(), nId, nPeriodMilliseconds, nDue, false});
    }
    ArmWake();
}

void CQtMessagePump::KillTimer(CMessageTarget& target, UINT nId) {
    std::erase_if(m_timers, [&](const Timer& timer) {
        return timer.pTarget == &target && timer.nSerial == target.Serial() && timer.nId == nId;
    });
    ArmWake();
}

CQtMessagePump::Timer* CQtMessagePump::FindTimer(const CMessageTarget* pTarget,
                                                 std::uint64_t nSerial, UINT nId) {
    for (Timer& timer : m_timers) {
        if (timer.pTarget == pTarget && timer.nSerial == nSerial && timer.nId == nId) {
            return &timer;
        }
    }
    return nullptr;
}

void CQtMessagePump::DispatchDueTimers() {
    std::erase_if(m_timers,
                  [](const Timer& timer) { return !IsTargetAlive(timer.pTarget, timer.nSerial); });
    // Handlers may set or kill timers, so work from a copy of the keys. A
    // timer whose handler is still running (it pumped messages itself) is
    // not delivered again until that handler has returned.
    const std::vector<Timer> snapshot = m_timers;
    for (const Timer& key : snapshot) {
        Timer* pTimer = FindTimer(key.pTarget, key.nSerial, key.nId);
        const std::uint64_t nNow = GetTickCount64();
        if (pTimer == nullptr || pTimer->bInDispatch || pTimer->nDue > nNow) {
            continue;
        }
        pTimer->nDue = nNow + pTimer->nPeriod;
        pTimer->bInDispatch = true;
        if (IsTargetAlive(key.pTarget, key.nSerial)) {
            key.pTarget->WindowProc(WM_TIMER, key.nId, 0);
        }
        if (Timer* pAfter = FindTimer(key.pTarget, key.nSerial, key.nId)) {
            pAfter->bInDispatch = false;
        }
    }
    ArmWake();
}

std::uint64_t CQtMessagePump::NextTimerDue() const {
    std::uint64_t nNext = std::numeric_limits<std::uint64_t>::max();
    for (const Timer& timer : m_timers) {
        if (!timer.bInDispatch && IsTargetAlive(timer.pTarget, timer.nSerial)) {
            nNext = std::min(nNext, timer.nDue);
        }
    }
    return nNext;
}

void CQtMessagePump::ArmWake() {
    const std::uint64_t nNext = NextTimerDue();
    if (nNext == std::numeric_limits<std::uint64_t>::max()) {
        m_wake.stop();
        return;
    }
    const std::uint64_t nNow = GetTickCount64();
    const std::uint64_t nWait = nNext > nNow ? std::min(nNext - nNow, kLongestWakeMilliseconds) : 0;
    m_wake.start(static_cast<int>(nWait));
}

}  // namespace rf
