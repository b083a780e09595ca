#include "ui/qt/QtMessagePump.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <limits>

#include "base/Clock.h"

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
    m_timers.Set(target, nId, nPeriodMilliseconds);
    ArmWake();
}

void CQtMessagePump::KillTimer(CMessageTarget& target, UINT nId) {
    m_timers.Kill(target, nId);
    ArmWake();
}

void CQtMessagePump::DispatchDueTimers() {
    m_timers.DispatchDue();
    ArmWake();
}

std::uint64_t CQtMessagePump::NextTimerDue() const {
    return m_timers.NextDue();
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
