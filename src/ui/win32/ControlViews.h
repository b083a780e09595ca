#pragma once

// Views that bind the dialog's child windows to the controls of the control
// layer: a control tells its view of every change of text, enabled state,
// tick or progress, and the view passes it to the window. Nothing flows back
// here; the dialog window hands clicks and ticks to the dialog itself.

#include <string>

#include "framework/controls/Button.h"
#include "framework/controls/ProgressCtrl.h"
#include "ui/win32/Win32Handles.h"

namespace rf {

// Any child window that shows one text: an edit field, a static text, a
// button or a check box.
class CControlView final : public CButton::IView {
public:
    explicit CControlView(HWND hWnd) : m_hWnd(hWnd) {}

    void OnTextChanged(const std::u16string& text) override;
    void OnEnabledChanged(bool bEnabled) override;
    void OnCheckChanged(int nCheck) override;

private:
    HWND m_hWnd;
};

// A common-controls progress bar; its 32-bit range may start below zero.
class CProgressView final : public CProgressCtrl::IView {
public:
    explicit CProgressView(HWND hWnd) : m_hWnd(hWnd) {}

    void OnRangeChanged(int nLower, int nUpper) override;
    void OnPosChanged(int nPos) override;
    void OnRepaint() override;

private:
    HWND m_hWnd;
};

}  // namespace rf
