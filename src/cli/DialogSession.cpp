#include "cli/DialogSession.h"

#include "ui/MainUserDlg.h"

namespace rf {

CDialogSession::CDialogSession(IDeviceSystem& system, bool bVendorDialog)
    : m_scopedPump(m_loop),
      m_pDialog(bVendorDialog ? std::make_unique<CMainDlg>(system) : std::make_unique<CMainUserDlg>(system)) {
    m_pDialog->SetListener(this);
}

CDialogSession::~CDialogSession() { m_pDialog->SetListener(nullptr); }

void CDialogSession::Open() { m_pDialog->Create(); }

bool CDialogSession::RunUntil(const std::function<bool()>& bDone, std::uint64_t nMilliseconds) {
    return m_loop.RunUntil(bDone, nMilliseconds);
}

void CDialogSession::OnDeviceRefreshed(bool bFound) { bDeviceFound = bFound; }

void CDialogSession::OnUpdateHandled(UINT nMessageId) {
    if (!updateResult) {
        updateResult = nMessageId;
    }
}

}  // namespace rf
