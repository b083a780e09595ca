#include "ui/win32/DialogWindow.h"

#include "text/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/FirmwarePackageLoad.h"
#include "ui/win32/ControlViews.h"
#include "ui/win32/WideText.h"
#include "ui/win32/Win32MessagePump.h"
#include "ui/win32/resources/ResourceReaders.h"

#include "ui/win32/SystemHeaders.h"

namespace rf {

namespace {

// The system's message for a drop; an elevated program must let it and the
// messages that carry it through, or a drop from the shell never arrives.
constexpr ::UINT kCopyGlobalData = 0x0049;

INT_PTR CALLBACK DialogProc(::HWND hWnd, ::UINT nMessage, ::WPARAM wParam, ::LPARAM lParam) {
    if (nMessage == WM_INITDIALOG) {
        auto* pWindow = reinterpret_cast<CDialogWindow*>(lParam);
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        return pWindow->OnInitDialog(hWnd) ? TRUE : FALSE;
    }
    auto* pWindow = reinterpret_cast<CDialogWindow*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (pWindow == nullptr) {
        return FALSE;
    }
    switch (nMessage) {
        case WM_COMMAND:
            pWindow->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<::HWND>(lParam));
            return TRUE;
        case WM_CLOSE:
            pWindow->OnClose();
            return TRUE;
        case WM_DROPFILES:
            // Anywhere but on an image field: a firmware package.
            pWindow->OnPackageDropped(reinterpret_cast<::HDROP>(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

// The image fields take dropped files.
LRESULT CALLBACK DropFieldProc(::HWND hWnd, ::UINT nMessage, ::WPARAM wParam, ::LPARAM lParam,
                               UINT_PTR /*nSubclassId*/, DWORD_PTR nData) {
    if (nMessage == WM_DROPFILES) {
        auto* pWindow =
            reinterpret_cast<CDialogWindow*>(GetWindowLongPtrW(GetParent(hWnd), DWLP_USER));
        auto* pField = reinterpret_cast<CAcceptFileEdit*>(nData);
        if (pWindow != nullptr && pField != nullptr && pField->m_pTarget != nullptr) {
            pWindow->OnDropFiles(*pField, reinterpret_cast<::HDROP>(wParam));
            return 0;
        }
    }
    if (nMessage == WM_NCDESTROY) {
        RemoveWindowSubclass(hWnd, &DropFieldProc, 0);
    }
    return DefSubclassProc(hWnd, nMessage, wParam, lParam);
}

std::u16string WindowText(::HWND hWnd) {
    const int nLength = GetWindowTextLengthW(hWnd);
    std::wstring text(static_cast<std::size_t>(nLength) + 1, L'\0');
    const int nCopied = GetWindowTextW(hWnd, text.data(), nLength + 1);
    return FromWide(text.data(), static_cast<std::size_t>(nCopied > 0 ? nCopied : 0));
}

void SetIcons(::HWND hWnd) {
    const auto load = [](int nWidthMetric, int nHeightMetric) {
        return static_cast<HICON>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDI_MAIN_ICON),
                                             IMAGE_ICON, GetSystemMetrics(nWidthMetric),
                                             GetSystemMetrics(nHeightMetric), LR_DEFAULTCOLOR));
    };
    SendMessageW(hWnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<::LPARAM>(load(SM_CXICON, SM_CYICON)));
    SendMessageW(hWnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<::LPARAM>(load(SM_CXSMICON, SM_CYSMICON)));
}

void AllowDrops(::HWND hWnd) {
    for (const ::UINT nMessage :
         {static_cast<::UINT>(WM_DROPFILES), static_cast<::UINT>(WM_COPYDATA), kCopyGlobalData}) {
        ChangeWindowMessageFilterEx(hWnd, nMessage, MSGFLT_ALLOW, nullptr);
    }
}

}  // namespace

CDialogWindow::CDialogWindow(CMainDlg& dialog, CWin32MessagePump* pPump)
    : m_dialog(dialog), m_pPump(pPump) {}

CDialogWindow::~CDialogWindow() {
    Unbind();
    if (m_hWnd != nullptr) {
        SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        DestroyWindow(m_hWnd);
    }
    if (m_pPump != nullptr) {
        m_pPump->SetDialogWindow(nullptr);
    }
}

bool CDialogWindow::Create() {
    HMODULE hModule = ResourceModule();
    const auto* pszId = MAKEINTRESOURCEW(m_dialog.TemplateId());
    HRSRC hInfo = FindResourceExW(hModule, RT_DIALOG, pszId, LanguageId(CurrentLanguage()));
    if (hInfo == nullptr) {
        hInfo = FindResourceW(hModule, pszId, RT_DIALOG);
    }
    HGLOBAL hTemplate = hInfo != nullptr ? LoadResource(hModule, hInfo) : nullptr;
    const auto* pTemplate =
        static_cast<const DLGTEMPLATE*>(hTemplate != nullptr ? LockResource(hTemplate) : nullptr);
    if (pTemplate == nullptr) {
        return false;
    }
    CreateDialogIndirectParamW(GetModuleHandleW(nullptr), pTemplate, nullptr, &DialogProc,
                               reinterpret_cast<::LPARAM>(this));
    return m_hWnd != nullptr;
}

bool CDialogWindow::OnInitDialog(HWND hWnd) {
    m_hWnd = hWnd;
    if (m_pPump != nullptr) {
        m_pPump->SetDialogWindow(hWnd);
    }
    SetIcons(hWnd);
    AllowDrops(hWnd);
    DragAcceptFiles(hWnd, TRUE);
    m_dialog.SetView(this);
    m_dialog.Create();
    SetWindowTextW(hWnd, Wide(m_dialog.GetWindowText()));
    BindControls();
    return true;
}

void CDialogWindow::BindControls() {
    for (::HWND hChild = GetWindow(m_hWnd, GW_CHILD); hChild != nullptr;
         hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        const auto nId = static_cast<UINT>(GetDlgCtrlID(hChild));
        if (nId == IDC_PROGRESS) {
            m_pProgressView = std::make_unique<CProgressView>(hChild);
            CProgressCtrl& progress = m_dialog.m_progress;
            progress.SetView(m_pProgressView.get());
            m_pProgressView->OnRangeChanged(progress.GetLower(), progress.GetUpper());
            m_pProgressView->OnPosChanged(progress.GetPos());
            continue;
        }
        CWnd* pControl = m_dialog.GetDlgItem(nId);
        if (pControl == nullptr) {
            continue;  // a label, or a control of the template that this dialog leaves alone
        }
        // The template's text is the window's text until the dialog sets one.
        if (pControl->GetWindowText().empty()) {
            pControl->SetWindowText(WindowText(hChild));
        }
        auto pView = std::make_unique<CControlView>(hChild);
        if (auto* pButton = dynamic_cast<CButton*>(pControl)) {
            pButton->SetView(pView.get());
            pView->OnCheckChanged(pButton->GetCheck());
        } else {
            pControl->SetView(pView.get());
        }
        pView->OnTextChanged(pControl->GetWindowText());
        pView->OnEnabledChanged(pControl->IsWindowEnabled());
        if (auto* pField = dynamic_cast<CAcceptFileEdit*>(pControl)) {
            AllowDrops(hChild);
            SetWindowSubclass(hChild, &DropFieldProc, 0, reinterpret_cast<DWORD_PTR>(pField));
        }
        m_bound.push_back(pControl);
        m_views.push_back(std::move(pView));
    }
}

void CDialogWindow::Unbind() {
    // The controls outlive their windows.
    for (CWnd* pControl : m_bound) {
        if (auto* pButton = dynamic_cast<CButton*>(pControl)) {
            pButton->SetView(nullptr);
        } else {
            pControl->SetView(nullptr);
        }
    }
    m_bound.clear();
    if (m_pProgressView != nullptr) {
        m_dialog.m_progress.SetView(nullptr);
    }
    m_dialog.SetView(nullptr);
}

int CDialogWindow::RunModal() {
    if (m_hWnd == nullptr) {
        return -1;
    }
    ShowWindow(m_hWnd, SW_SHOW);
    SetForegroundWindow(m_hWnd);
    MSG msg;
    while (!m_dialog.IsEnded()) {
        const BOOL bGot = GetMessageW(&msg, nullptr, 0, 0);
        if (bGot == 0 || bGot == -1) {
            break;  // WM_QUIT, or no queue to read
        }
        if (!IsDialogMessageW(m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    ShowWindow(m_hWnd, SW_HIDE);
    return m_dialog.Result();
}

void CDialogWindow::OnCommand(UINT nId, UINT nCode, HWND hControl) {
    // Only clicks: edit fields report focus and text changes here too.
    if (nCode != BN_CLICKED) {
        return;
    }
    if (hControl != nullptr) {
        const LONG_PTR nStyle = GetWindowLongPtrW(hControl, GWL_STYLE) & BS_TYPEMASK;
        auto* pButton = dynamic_cast<CButton*>(m_dialog.GetDlgItem(nId));
        if (pButton != nullptr && nStyle == BS_AUTOCHECKBOX) {
            pButton->SetCheckFromView(SendMessageW(hControl, BM_GETCHECK, 0, 0) == BST_CHECKED
                                          ? BST_CHECKED
                                          : BST_UNCHECKED);
        }
    }
    m_dialog.WindowProc(WM_COMMAND, nId, 0);
}

void CDialogWindow::OnClose() {
    // The Close item, refused while it is greyed.
    if (!m_dialog.IsEnded()) {
        m_dialog.RequestClose();
    }
}

void CDialogWindow::OnDropFiles(CAcceptFileEdit& field, HDROP hDrop) {
    // While an update runs the images are being written: a drop then would
    // change an image under the write.
    if (!m_dialog.IsBusy()) {
        std::vector<std::u16string> paths;
        const ::UINT nFiles = DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
        for (::UINT i = 0; i < nFiles; ++i) {
            const ::UINT nLength = DragQueryFileW(hDrop, i, nullptr, 0);
            std::wstring path(nLength + 1, L'\0');
            const ::UINT nCopied = DragQueryFileW(hDrop, i, path.data(), nLength + 1);
            paths.push_back(FromWide(path.data(), nCopied));
        }
        field.OnDropFiles(paths);
    }
    DragFinish(hDrop);
}

void CDialogWindow::OnPackageDropped(HDROP hDrop) {
    if (DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0) == 1) {
        const ::UINT nLength = DragQueryFileW(hDrop, 0, nullptr, 0);
        std::wstring path(nLength + 1, L'\0');
        const ::UINT nCopied = DragQueryFileW(hDrop, 0, path.data(), nLength + 1);
        DragFinish(hDrop);
        OnFirmwarePackageDropped(m_dialog, FromWide(path.data(), nCopied));
        return;
    }
    DragFinish(hDrop);
}

void CDialogWindow::OnCaptionChanged(const std::u16string& caption) {
    if (m_hWnd != nullptr) {
        SetWindowTextW(m_hWnd, Wide(caption));
    }
}

void CDialogWindow::OnCloseItemChanged(bool bEnabled) {
    if (m_hWnd != nullptr) {
        const ::UINT nState = bEnabled ? MF_ENABLED : MF_GRAYED;
        EnableMenuItem(GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | nState);
    }
}

}  // namespace rf
