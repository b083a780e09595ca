#include "framework/controls/ProgressCtrl.h"

namespace rf {

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    if (m_pView != nullptr) {
        m_pView->OnRangeChanged(nLower, nUpper);
    }
}

int CProgressCtrl::SetPos(int nPos) {
    const int nPrevious = m_nPos;
    m_nPos = nPos;
    if (m_pView != nullptr) {
        m_pView->OnPosChanged(nPos);
    }
    return nPrevious;
}

void CProgressCtrl::UpdateWindow() {
    if (m_pView != nullptr) {
        m_pView->OnRepaint();
    }
}

}  // namespace rf
