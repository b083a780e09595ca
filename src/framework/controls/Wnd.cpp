#include "framework/controls/Wnd.h"

namespace rf {

void CWnd::Bind(UINT nId) {
    m_nId = nId;
    m_bHasWindow = true;
}

void CWnd::SetWindowText(const std::u16string& text) {
    m_strText = text;
    if (m_pView != nullptr) {
        m_pView->OnTextChanged(m_strText);
    }
}

void CWnd::EnableWindow(bool bEnable) {
    m_bEnabled = bEnable;
    if (m_pView != nullptr) {
        m_pView->OnEnabledChanged(bEnable);
    }
}

}  // namespace rf
