#pragma once

// The updater's dialog run without a window, so that the terminal front end
// does exactly what the window does: the user dialog, or the full dialog in
// vendor mode, with its device search, its refresh and its update command.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/MessageLoop.h"
#include "ui/MainDlg.h"

namespace rf {

class CDialogSession final : public IMainDlgListener {
public:
    CDialogSession(IDeviceSystem& system, bool bVendorDialog);
    ~CDialogSession() override;

    CMainDlg& Dialog() { return *m_pDialog; }

    // Opens the dialog: its first device search runs at once.
    void Open();
    // Runs the dialog's loop until bDone() holds or nMilliseconds of clock
    // time have passed; true when bDone() held.
    bool RunUntil(const std::function<bool()>& bDone, std::uint64_t nMilliseconds);

    void OnDeviceRefreshed(bool bFound) override;
    void OnUpdateHandled(UINT nMessageId) override;

    bool bDeviceFound = false;
    std::optional<UINT> updateResult;  // set once the update command was handled

private:
    CHeadlessMessageLoop m_loop;
    CScopedPump m_scopedPump;
    std::unique_ptr<CMainDlg> m_pDialog;
};

}  // namespace rf
