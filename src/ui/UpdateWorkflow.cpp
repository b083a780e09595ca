// The update command of the dialogs: the update object decides and writes;
// the dialog asks, shows, and keeps its controls off while it runs.

#include "base/CommandLine.h"
#include "framework/Messages.h"
#include "ui/MainDlg.h"

namespace rf {

void CMainDlg::OnUpdateFirmware() {
    // A command that arrives while an update (or its closing message) runs
    // would start a second update inside the first.
    if (m_bBusy) {
        if (m_pListener != nullptr) {
            m_pListener->OnUpdateHandled(0);
        }
        return;
    }
    m_update.m_options = UpdateOptionsFrom(theCmdInfo);
    if (!m_update.ConfirmSelection()) {
        if (m_pListener != nullptr) {
            m_pListener->OnUpdateHandled(0);
        }
        return;
    }
    if (const UINT nRefused = m_update.CheckBeforeFirstWrite(); nRefused != 0) {
        ShowMessage(nRefused, MB_KIND_ERROR);
        if (m_pListener != nullptr) {
            m_pListener->OnUpdateHandled(nRefused);
        }
        return;
    }

    m_bBusy = true;
    m_btnUpdate.EnableWindow(false);
    for (CRomObject* pRom : m_update.Writable()) {
        if (pRom->m_chkUpdate.HasWindow()) {
            pRom->m_chkUpdate.EnableWindow(false);
        }
    }
    EnableCloseItem(false);

    const UINT nResult = RunUpdate();

    m_btnUpdate.EnableWindow(true);
    for (CRomObject* pRom : m_update.Writable()) {
        if (pRom->m_chkUpdate.HasWindow()) {
            pRom->m_chkUpdate.EnableWindow(true);
        }
    }
    EnableCloseItem(true);
    m_staticStatus.SetWindowText(u"");
    m_progress.SetRange32(0, 100);
    m_progress.SetPos(0);
    m_bBusy = false;
    if (m_pListener != nullptr) {
        m_pListener->OnUpdateHandled(nResult);
    }
}

UINT CMainDlg::RunUpdate() {
    const UpdateResult result = m_update.Run(&m_progress, *this);
    CFirmwareUpdate::ShowResult(result);
    PostMessage(UM_DEVICE_CHANGED, 0, 0);
    return result.nMessageId;
}

}  // namespace rf
