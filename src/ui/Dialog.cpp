#include "ui/Dialog.h"

namespace rf {

bool CDialog::Create() {
    return OnInitDialog();
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(bSaveAndValidate);
    DoDataExchange(&dx);
    return true;
}

void CDialog::EndDialog(int nResult) {
    m_bEnded = true;
    m_nResult = nResult;
}

void CDialog::EnableCloseItem(bool bEnable) {
    m_bCloseEnabled = bEnable;
    if (m_pView != nullptr) {
        m_pView->OnCloseItemChanged(bEnable);
    }
}

CWnd* CDialog::GetDlgItem(UINT nId) const {
    const auto it = m_controls.find(nId);
    return it == m_controls.end() ? nullptr : it->second;
}

void CDialog::RequestClose() {
    // A disabled Close item does nothing, as on the system menu.
    if (m_bCloseEnabled) {
        OnCancel();
    }
}

void CDialog::DDX_Control(CDataExchange* /*pDX*/, UINT nId, CWnd& control) {
    if (!control.HasWindow()) {
        control.Bind(nId);
    }
    m_controls[nId] = &control;
}

void CDialog::DDX_Text(CDataExchange* pDX, UINT nId, std::u16string& value) {
    CWnd* pControl = GetDlgItem(nId);
    if (pControl == nullptr) {
        auto& pField = m_templateFields[nId];
        pField = std::make_unique<CWnd>();
        DDX_Control(pDX, nId, *pField);
        pControl = pField.get();
    }
    if (pDX->m_bSaveAndValidate) {
        value = pControl->GetWindowText();
    } else if (pControl->GetWindowText() != value) {
        pControl->SetWindowText(value);
    }
}

LRESULT CDialog::WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case WM_TIMER:
            OnTimer(static_cast<UINT>(wParam));
            return 0;
        case WM_COMMAND: {
            const auto nId = static_cast<UINT>(wParam & 0xFFFF);
            if (nId == IDCANCEL_RESULT) {
                OnCancel();
            } else {
                OnCommand(nId);
            }
            return 0;
        }
        default:
            return OnMessage(nMessage, wParam, lParam);
    }
}

}  // namespace rf
