#pragma once

// Views that bind real widgets to the controls of the control layer: a
// control tells its view of every change of text, enabled state, tick or
// progress, and the view shows it. Nothing flows back here; the window sends
// clicks and ticks to the dialog itself.

#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>
#include <functional>
#include <span>
#include <string>

#include "framework/controls/Button.h"
#include "framework/controls/ProgressCtrl.h"

class QMimeData;

namespace rf {

// Any widget that shows one text: a line or multi-line field, a label, a
// button or check box.
class CWidgetView final : public CButton::IView {
public:
    explicit CWidgetView(QWidget* pWidget) : m_pWidget(pWidget) {}

    void OnTextChanged(const std::u16string& text) override;
    void OnEnabledChanged(bool bEnabled) override;
    void OnCheckChanged(int nCheck) override;

private:
    QPointer<QWidget> m_pWidget;
};

// A progress bar with the ranges of the programming operations, which may
// start below zero. Positions outside the range are shown at its ends, and a
// range without width as an empty bar, never as Qt's busy indicator.
class CProgressView final : public CProgressCtrl::IView {
public:
    explicit CProgressView(QProgressBar* pBar) : m_pBar(pBar) {}

    void OnRangeChanged(int nLower, int nUpper) override;
    void OnPosChanged(int nPos) override;
    void OnRepaint() override;

private:
    QPointer<QProgressBar> m_pBar;
    int m_nPos = 0;
};

// A read-only one-line field of a dialog. With a drop handler it takes
// files dropped on it and hands their local paths over, in drop order.
class CFieldEdit final : public QLineEdit {
public:
    using DropHandler = std::function<void(std::span<const std::u16string>)>;

    explicit CFieldEdit(QWidget* pParent = nullptr);
    // bAccepting tells whether a drop is taken now; a refused drop is
    // ignored whole.
    void SetDropHandler(std::function<bool()> bAccepting, DropHandler onDrop);

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    bool Accepts(const QMimeData* pData) const;

    std::function<bool()> m_bAccepting;
    DropHandler m_onDrop;
};

}  // namespace rf
