#pragma once

// The message pump of the window. Messages posted to a dialog travel through
// Qt's event queue, PumpMessages() is QCoreApplication::processEvents(), and
// the dialogs' timers are kept on the program's clock: the real clock in the
// program, woken by a Qt timer, and the virtual clock in tests, where time
// moves only when a test moves it.

#include <QObject>
#include <QTimer>
#include <cstdint>

#include "framework/MessageLoop.h"
#include "framework/TimerTable.h"

class QEvent;

namespace rf {

class CQtMessagePump final : public QObject, public IMessagePump {
public:
    CQtMessagePump();
    ~CQtMessagePump() override;

    void Pump() override;
    void Post(CMessageTarget& target, UINT nMessage, WPARAM wParam, LPARAM lParam) override;
    void SetTimer(CMessageTarget& target, UINT nId, UINT nPeriodMilliseconds) override;
    void KillTimer(CMessageTarget& target, UINT nId) override;

    // Delivers every timer that is due on the current clock.
    void DispatchDueTimers();
    // The earliest tick (GetTickCount64) at which a timer may fire, or
    // UINT64_MAX when none can.
    std::uint64_t NextTimerDue() const;

protected:
    bool event(QEvent* pEvent) override;

private:
    // Sets the Qt timer that wakes the event loop when the next timer is due.
    void ArmWake();

    CTimerTable m_timers;
    QTimer m_wake;
};

}  // namespace rf
