#pragma once

// A dialog of the control layer: it owns its controls' state, exchanges
// data between its members and the controls, and receives messages and
// timer ticks from the current pump. Headless (tests, the terminal) there
// is no window system; the window front end binds real widgets to the
// controls by their ids.

#include <map>
#include <memory>
#include <string>

#include "base/Types.h"
#include "framework/MessageLoop.h"
#include "framework/controls/Wnd.h"

namespace rf {

class CDataExchange {
public:
    explicit CDataExchange(bool bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate) {}
    const bool m_bSaveAndValidate;  // true: controls to members; false: members to controls
};

class CDialog : public CMessageTarget {
public:
    explicit CDialog(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}

    UINT TemplateId() const { return m_nIDTemplate; }

    // Makes the dialog's window (headless: its controls are bound by the
    // first data exchange) and initialises it.
    bool Create();
    bool UpdateData(bool bSaveAndValidate = true);
    void EndDialog(int nResult);
    bool IsEnded() const { return m_bEnded; }
    int Result() const { return m_nResult; }

    void SetWindowText(const std::u16string& caption) {
        m_strCaption = caption;
        if (m_pView != nullptr) {
            m_pView->OnCaptionChanged(caption);
        }
    }
    const std::u16string& GetWindowText() const { return m_strCaption; }
    // The Close item of the system menu (and the window's close button).
    void EnableCloseItem(bool bEnable);
    bool IsCloseItemEnabled() const { return m_bCloseEnabled; }

    // The control bound to an id, or null.
    CWnd* GetDlgItem(UINT nId) const;
    // Called by the front end when the person asks to close the window.
    void RequestClose();

    // Binds a control to its id; the control has a window from now on.
    void DDX_Control(CDataExchange* pDX, UINT nId, CWnd& control);
    // Moves a text between a member and the control bound to the id; a
    // field of the template without a control member gets one of its own.
    void DDX_Text(CDataExchange* pDX, UINT nId, std::u16string& value);

    LRESULT WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam) override;

    // Tells the front end that the close item changed.
    class IView {
    public:
        virtual ~IView() = default;
        virtual void OnCloseItemChanged(bool bEnabled) = 0;
        virtual void OnCaptionChanged(const std::u16string& /*caption*/) {}
    };
    void SetView(IView* pView) { m_pView = pView; }

protected:
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange* /*pDX*/) {}
    virtual void OnCancel() { EndDialog(static_cast<int>(IDCANCEL_RESULT)); }
    virtual void OnTimer(UINT /*nIDEvent*/) {}
    virtual void OnCommand(UINT /*nId*/) {}
    // Messages the dialog itself defines.
    virtual LRESULT OnMessage(UINT /*nMessage*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return 0; }

    void SetTimer(UINT nIDEvent, UINT nElapse) { CurrentPump().SetTimer(*this, nIDEvent, nElapse); }
    void PostMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
        PostMessageTo(*this, nMessage, wParam, lParam);
    }

    static constexpr UINT IDCANCEL_RESULT = 2;

private:
    UINT m_nIDTemplate;
    bool m_bEnded = false;
    int m_nResult = 0;
    bool m_bCloseEnabled = true;
    std::u16string m_strCaption;
    std::map<UINT, CWnd*> m_controls;
    std::map<UINT, std::unique_ptr<CWnd>> m_templateFields;
    IView* m_pView = nullptr;
};

}  // namespace rf
