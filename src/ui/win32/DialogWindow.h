#pragma once

// The window of one of the updater's dialogs: the dialog template of the
// program's resources (102 or 103, in the language of its texts), each
// child window bound to the control of the same id. The dialog's logic stays
// toolkit-free; this class only shows its controls, hands clicks, ticks and
// dropped files to it, and asks it before closing.

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/controls/AcceptFileEdit.h"
#include "ui/MainDlg.h"
#include "ui/win32/Win32Handles.h"

namespace rf {

class CControlView;
class CProgressView;
class CWin32MessagePump;

class CDialogWindow final : private CDialog::IView {
public:
    // pPump, when given, routes the keyboard of the dialog (Tab, Enter,
    // Escape) while long operations pump messages. The dialog must outlive
    // the window.
    explicit CDialogWindow(CMainDlg& dialog, CWin32MessagePump* pPump = nullptr);
    ~CDialogWindow() override;
    CDialogWindow(const CDialogWindow&) = delete;
    CDialogWindow& operator=(const CDialogWindow&) = delete;

    // Makes the window from the template, hidden, and opens the dialog: its
    // OnInitDialog runs (the first device search with it), then every
    // control is bound to its child window. False when the template is
    // missing or the window cannot be made.
    bool Create();
    HWND Handle() const { return m_hWnd; }

    // Shows the window and runs its message loop until the dialog has
    // ended; returns the dialog's result.
    int RunModal();

    // Handlers of the window's messages.
    bool OnInitDialog(HWND hWnd);
    void OnCommand(UINT nId, UINT nCode, HWND hControl);
    void OnClose();
    void OnDropFiles(CAcceptFileEdit& field, HDROP hDrop);
    void OnPackageDropped(HDROP hDrop);

private:
    void OnCloseItemChanged(bool bEnabled) override;
    void OnCaptionChanged(const std::u16string& caption) override;
    void BindControls();
    void Unbind();

    CMainDlg& m_dialog;
    CWin32MessagePump* m_pPump;
    HWND m_hWnd = nullptr;
    std::vector<std::unique_ptr<CControlView>> m_views;
    std::unique_ptr<CProgressView> m_pProgressView;
    std::vector<CWnd*> m_bound;
};

}  // namespace rf
