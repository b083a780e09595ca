// The update command of the dialogs: the update object asks, checks, writes
// and tells through the dialog; the dialog keeps its controls off while the
// unit is being changed.

#include "framework/Messages.h"
#include "ui/MainDlg.h"

namespace rf {

void CMainDlg::OnUpdateFirmware() {
    // A command that arrives while an update (or its closing message) runs
    // would start a second update inside the first.
    if (IsBusy()) {
        if (m_pListener != nullptr) {
            m_pListener->OnUpdateHandled(0);
        }
        return;
    }
    const UpdateResult result = m_update.RunChecked(&m_progress, *this);
    if (m_bBusy) {
        EnableUpdateControls(true);
        m_staticStatus.SetWindowText(u"");
        m_progress.SetRange32(0, 100);
        m_progress.SetPos(0);
        m_bBusy = false;
    }
    if (result.eOutcome == UpdateOutcome::Ran) {
        // The bridge was restarted and the device closed: the window forgets
        // the unit until the search finds it again.
        PostMessage(UM_DEVICE_CHANGED, 0, 0);
    }
    if (m_pListener != nullptr) {
        m_pListener->OnUpdateHandled(result.nMessageId);
    }
}

void CMainDlg::OnRunStarting() {
    m_bBusy = true;
    EnableUpdateControls(false);
}

void CMainDlg::EnableUpdateControls(bool bEnable) {
    m_btnUpdate.EnableWindow(bEnable);
    for (CRomObject* pRom : m_update.Writable()) {
        if (pRom->m_chkUpdate.HasWindow()) {
            pRom->m_chkUpdate.EnableWindow(bEnable);
        }
    }
    EnableCloseItem(bEnable);
}

}  // namespace rf
