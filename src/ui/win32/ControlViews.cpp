#include "ui/win32/ControlViews.h"

#include "ui/win32/WideText.h"

#include "ui/win32/SystemHeaders.h"

namespace rf {

void CControlView::OnTextChanged(const std::u16string& text) {
    SetWindowTextW(m_hWnd, Wide(text));
}

void CControlView::OnEnabledChanged(bool bEnabled) {
    EnableWindow(m_hWnd, bEnabled ? TRUE : FALSE);
}

void CControlView::OnCheckChanged(int nCheck) {
    SendMessageW(m_hWnd, BM_SETCHECK, static_cast<::WPARAM>(nCheck), 0);
}

void CProgressView::OnRangeChanged(int nLower, int nUpper) {
    SendMessageW(m_hWnd, PBM_SETRANGE32, static_cast<::WPARAM>(nLower), nUpper);
}

void CProgressView::OnPosChanged(int nPos) {
    SendMessageW(m_hWnd, PBM_SETPOS, static_cast<::WPARAM>(nPos), 0);
}

void CProgressView::OnRepaint() {
    UpdateWindow(m_hWnd);
}

}  // namespace rf
