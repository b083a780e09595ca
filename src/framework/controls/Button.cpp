#include "framework/controls/Button.h"

namespace rf {

void CButton::SetCheck(int nCheck) {
    m_nCheck = nCheck;
    if (m_pButtonView != nullptr) {
        m_pButtonView->OnCheckChanged(nCheck);
    }
}

void CButton::SetView(IView* pView) {
    m_pButtonView = pView;
    CWnd::SetView(pView);
}

}  // namespace rf
