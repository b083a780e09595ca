#include "ui/MainDlg.h"

#include "base/CommandLine.h"
#include "framework/Messages.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/DeviceChangeNotify.h"
#include "ui/FirmwarePackageLoad.h"
#include "update/UnitChoice.h"

namespace rf {

namespace {

constexpr UINT kSearchTimer = 1;
constexpr UINT kSearchPeriodMilliseconds = 1000;

}  // namespace

CMainDlg::CMainDlg(IDeviceSystem& system, UINT nIDTemplate)
    : CDialog(nIDTemplate),
      m_hIcon(IDI_MAIN_ICON),
      m_update(system),
      m_romFlash(m_update.m_romFlash),
      m_romHost(m_update.m_romHost),
      m_romCpu(m_update.m_romCpu),
      m_romUI78K(m_update.m_romUI78K),
      m_romUIRSC(m_update.m_romUIRSC),
      m_device(m_update.m_device) {
    LoadResString(m_strDeviceName, IDS_SEARCHING_DEVICE);
    for (CRomObject* pRom : m_update.Roms()) {
        pRom->m_pOwner = this;
    }
}

CMainDlg::~CMainDlg() = default;

bool CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(AppName());
    // The options are read here, where the window starts, and nowhere after.
    UpdateOptions options = UpdateOptionsFrom(theCmdInfo);
    options.stateDirectory = m_stateDirectory;
    m_update.SetOptions(options);
    m_bAutoUpdate = theCmdInfo.m_bAutoUpdate;
    m_update.LoadOptionImages();
    // Checked whole before the first device search.
    if (!theCmdInfo.m_strFirmwarePackage.empty()) {
        LoadFirmwarePackageShowingFaults(*this, theCmdInfo.m_strFirmwarePackage);
    }
    RefreshImageInfo();
    OnTimer(kSearchTimer);  // a device already attached is found before the first tick
    SetTimer(kSearchTimer, kSearchPeriodMilliseconds);
    return true;
}

void CMainDlg::RefreshImageInfo() {
    m_update.RefreshImages();
    RefreshCheckBoxes();
}

void CMainDlg::RefreshCheckBoxes() {
    // Texts to the controls first: the boxes are labelled from them.
    UpdateData(false);
    m_update.RefreshSelection();
    // And back, so that the button follows the boxes.
    UpdateData(true);
}

void CMainDlg::OnTimer(UINT nIDEvent) {
    // While an update runs its unit is its own: the search neither closes
    // the device nor opens another drive into it.
    if (nIDEvent == kSearchTimer && !m_update.IsRunUnderWay()) {
        if (m_strUnitName.empty()) {
            FindDevice(m_device, *this);
        } else {
            NotifyDeviceChange(SearchNamedDevice(m_device, m_strUnitName), *this);
        }
    }
}

LRESULT CMainDlg::OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    if (nMessage == UM_DEVICE_CHANGED) {
        return OnDeviceChanged(wParam, lParam);
    }
    return 0;
}

void CMainDlg::OnCommand(UINT nId) {
    switch (nId) {
        case IDC_CHECK_FLASH:
        case IDC_CHECK_HOST:
        case IDC_CHECK_UI78K:
        case IDC_CHECK_UIRSC:
            OnCheckClicked();
            break;
        case IDC_UPDATE:
            OnUpdateFirmware();
            break;
        default:
            break;
    }
}

LRESULT CMainDlg::OnDeviceChanged(WPARAM wParam, LPARAM /*lParam*/) {
    const bool bFound = wParam == 1;
    if (bFound) {
        // A search in the wake's pump that found the device gone has closed
        // it and posted the change that empties the window, which must not
        // be overwritten with this device.
        if (!m_update.WakeUnit()) {
            return 0;
        }
        m_strDeviceName = m_device.m_strProductName;
        m_update.ReadVersions(&m_progress);
    } else {
        LoadResString(m_strDeviceName, IDS_SEARCHING_DEVICE);
        m_update.ForgetUnit();
    }
    RefreshCheckBoxes();
    ShowTestImageNotice(*this);
    if (m_bAutoUpdate && bFound) {
        PostMessage(WM_COMMAND, IDC_UPDATE, 0);
    }
    if (m_pListener != nullptr) {
        m_pListener->OnDeviceRefreshed(bFound);
    }
    return 0;
}

void CMainDlg::DoDataExchange(CDataExchange* pDX) {
    struct Row {
        CRomObject& rom;
        UINT nRomVersion;
        UINT nDeviceVersion;
        UINT nCheck;
    };
    const Row rows[] = {
        {m_romFlash, IDC_ROM_VERSION_FLASH, IDC_DEVICE_VERSION_FLASH, IDC_CHECK_FLASH},
        {m_romHost, IDC_ROM_VERSION_HOST, IDC_DEVICE_VERSION_HOST, IDC_CHECK_HOST},
        {m_romUI78K, IDC_ROM_VERSION_UI78K, IDC_DEVICE_VERSION_UI78K, IDC_CHECK_UI78K},
        {m_romUIRSC, IDC_ROM_VERSION_UIRSC, IDC_DEVICE_VERSION_UIRSC, IDC_CHECK_UIRSC},
    };
    for (const Row& row : rows) {
        if (row.rom.m_pOwner != nullptr) {
            DDX_Control(pDX, row.nRomVersion, row.rom.m_editRomVersion);
            DDX_Text(pDX, row.nRomVersion, row.rom.m_strRomVersion);
            DDX_Text(pDX, row.nDeviceVersion, row.rom.m_strDeviceVersion);
            DDX_Control(pDX, row.nCheck, row.rom.m_chkUpdate);
        }
        if (&row.rom == &m_romFlash && m_romCpu.m_pOwner != nullptr) {
            DDX_Text(pDX, IDC_SERIAL_NO, m_romCpu.m_strSerialNo);
        }
        if (&row.rom == &m_romUI78K && m_romUI78K.m_pOwner != nullptr) {
            DDX_Text(pDX, IDC_UI_SERIAL_NO, m_romUI78K.m_strUiSerialNo);
        }
    }
    DDX_Text(pDX, IDC_DEVICE_NAME, m_strDeviceName);
    DDX_Control(pDX, IDC_UPDATE, m_btnUpdate);
    DDX_Control(pDX, IDC_STATUS, m_staticStatus);
    // While an update runs the button stays off, whatever refresh happens
    // in between.
    m_btnUpdate.EnableWindow(AnyMemorySelected() && !m_bBusy);
}

void CMainDlg::OnCheckClicked() {
    // The boxes show the update's selection; a click changes it there.
    for (CRomObject* pRom : m_update.Writable()) {
        if (pRom->m_chkUpdate.HasWindow()) {
            m_update.Select(*pRom, pRom->m_chkUpdate.GetCheck() == BST_CHECKED);
        }
    }
    UpdateData(true);
}

void CMainDlg::OnCancel() {
    if (IsBusy()) {
        return;
    }
    CDialog::OnCancel();
}

void CMainDlg::SetStatus(UINT nId) {
    std::u16string text;
    LoadResString(text, nId);
    m_staticStatus.SetWindowText(text);
}

}  // namespace rf
