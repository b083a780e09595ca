#pragma once

// What every control of the control layer shares: the dialog's control id,
// whether a window stands behind it, its text and whether it is enabled.
// A control keeps this state whether or not it has a window, and tells an
// optional view (a real widget, or a test's recorder) of every change. The
// window exists once the dialog binds the control to its id.

#include <string>

#include "base/Types.h"

namespace rf {

class CWnd {
public:
    class IView {
    public:
        virtual ~IView() = default;
        virtual void OnTextChanged(const std::u16string& text) = 0;
        virtual void OnEnabledChanged(bool bEnabled) = 0;
    };

    CWnd() = default;
    virtual ~CWnd() = default;
    // A view and a dialog refer to the control by address.
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The dialog attaches the control to its window with this id.
    void Bind(UINT nId);
    // The window has gone (the dialog closed); the state stays.
    void Unbind() { m_bHasWindow = false; }
    bool HasWindow() const { return m_bHasWindow; }
    UINT GetDlgCtrlID() const { return m_nId; }

    void SetWindowText(const std::u16string& text);
    const std::u16string& GetWindowText() const { return m_strText; }
    void EnableWindow(bool bEnable);
    bool IsWindowEnabled() const { return m_bEnabled; }

    void SetView(IView* pView) { m_pView = pView; }

private:
    UINT m_nId = 0;
    bool m_bHasWindow = false;
    bool m_bEnabled = true;
    std::u16string m_strText;
    IView* m_pView = nullptr;
};

}  // namespace rf
