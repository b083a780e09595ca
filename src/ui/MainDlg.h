#pragma once

// The program's main window: it owns the update (the device object and the
// five image objects), looks for the enclosure once a second, shows the
// versions the program carries beside the device's, and runs the update on
// command. The full (vendor) dialog is this class with template 102.

#include <filesystem>
#include <string>

#include "framework/controls/Button.h"
#include "framework/controls/ProgressCtrl.h"
#include "framework/controls/Wnd.h"
#include "ui/Dialog.h"
#include "update/FirmwareUpdate.h"

namespace rf {

// What a front end may want to hear from the dialog besides its controls.
class IMainDlgListener {
public:
    virtual ~IMainDlgListener() = default;
    // The device information was refreshed (bFound: a device is open).
    virtual void OnDeviceRefreshed(bool /*bFound*/) {}
    // The update command was handled: nMessageId is the result shown (140,
    // 155, a failure or a refusal), or 0 when nothing was asked (declined,
    // or another update under way).
    virtual void OnUpdateHandled(UINT /*nMessageId*/) {}
};

class CMainDlg : public CDialog, public IRomOwner, private CMessageBoxFrontEnd {
public:
    explicit CMainDlg(IDeviceSystem& system, UINT nIDTemplate = 102);
    ~CMainDlg() override;

    bool UpdateData(bool bSaveAndValidate) override {
        return CDialog::UpdateData(bSaveAndValidate);
    }

    void SetListener(IMainDlgListener* pListener) { m_pListener = pListener; }
    // An update is under way (from its question to its result): the
    // window's search, drops and a second update command wait.
    bool IsBusy() const { return m_bBusy || m_update.IsRunUnderWay(); }
    // The memories the update writes, in the order it writes them.
    bool IsSelected(const CRomObject& rom) const { return m_update.IsSelected(rom); }

    UINT m_hIcon;
    CFirmwareUpdate m_update;
    // The update's parts, under the names the dialog has always used.
    CRom_Flash& m_romFlash;
    CRom_Host& m_romHost;
    CRom_Cpu& m_romCpu;
    CRom_UI78K& m_romUI78K;
    CRom_UIRSC& m_romUIRSC;
    CScsiDevice& m_device;
    std::u16string m_strDeviceName;
    // The unit the window is for, by drive or serial number (/Device=NAME);
    // empty: the first supported enclosure found.
    std::u16string m_strUnitName;
    // Where the emulated enclosure the window works on is kept (/Emulate);
    // empty for the computer's drives.
    std::filesystem::path m_stateDirectory;
    CProgressCtrl m_progress;
    CWnd m_staticStatus;
    CButton m_btnUpdate;
    // The controls are off: the unit is being changed.
    bool m_bBusy = false;
    // The update command is posted whenever a unit was found and read
    // (/AutoUpdate, taken at start-up).
    bool m_bAutoUpdate = false;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnCancel() override;
    void OnTimer(UINT nIDEvent) override;
    void OnCommand(UINT nId) override;
    LRESULT OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) override;

    LRESULT OnDeviceChanged(WPARAM wParam, LPARAM lParam);
    void RefreshImageInfo();
    void OnCheckClicked();
    void OnUpdateFirmware();

    // Whether any of the four writable memories is selected.
    bool AnyMemorySelected() const { return m_update.AnySelected(); }

    IMainDlgListener* m_pListener = nullptr;

private:
    void RefreshCheckBoxes();
    void SetStatus(UINT nId);
    void EnableUpdateControls(bool bEnable);
    void OnStatus(UINT nTextId) override { SetStatus(nTextId); }
    void OnRunStarting() override;
};

}  // namespace rf
