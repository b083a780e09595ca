#include "ui/MainDlg.h"

#include <array>

#include "app/Clock.h"
#include "app/CommandLine.h"
#include "app/Messages.h"
#include "app/StringTable.h"
#include "device/FindDevice.h"
#include "ui/FirmwarePackageLoad.h"
#include "programming/UiLink.h"
#include "ui/ControlIds.h"

namespace rf {

namespace {

constexpr UINT kSearchTimer = 1;
constexpr UINT kSearchPeriodMilliseconds = 1000;
constexpr DWORD kModeSwitchMilliseconds = 2000;
constexpr DWORD kWakeFrameDelayMilliseconds = 55;
constexpr int kWakeFrames = 3;
constexpr std::size_t kRomCount = 5;

}  // namespace

CMainDlg::CMainDlg(IDeviceSystem& system, UINT nIDTemplate)
    : CDialog(nIDTemplate), m_hIcon(IDI_MAIN_ICON), m_device(system) {
    LoadResString(m_strDeviceName, IDS_SEARCHING_DEVICE);
    for (std::size_t i = 0; i < kRomCount; ++i) {
        Roms(i)->m_pOwner = this;
    }
}

CMainDlg::~CMainDlg() = default;

CRomObject* CMainDlg::Roms(std::size_t i) {
    const std::array<CRomObject*, kRomCount> roms = {&m_romFlash, &m_romHost, &m_romCpu, &m_romUI78K, &m_romUIRSC};
    return roms[i];
}

bool CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(AppName());
    if (!theCmdInfo.m_strUIResourceFile.empty()) {
        m_romUIRSC.LoadFile(theCmdInfo.m_strUIResourceFile.c_str());
    }
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
    for (std::size_t i = 0; i < kRomCount; ++i) {
        CRomObject* pRom = Roms(i);
        if (pRom->IsLoaded()) {
            pRom->UpdateRomVersion();
        } else {
            LoadResString(pRom->m_strRomVersion, IDS_ERR_READ_FILE);
        }
        if (pRom->m_pOwner != nullptr) {
            pRom->m_pOwner->UpdateData(false);
        }
    }
    RefreshCheckBoxes();
}

void CMainDlg::RefreshCheckBoxes() {
    // Texts to the controls first: the boxes are labelled from them.
    UpdateData(false);
    const bool bDeviceOpen = m_device.IsOpen();
    for (std::size_t i = 0; i < kRomCount; ++i) {
        Roms(i)->UpdateCheckBox(bDeviceOpen);
    }
    // And back, so that the button follows the boxes.
    UpdateData(true);
}

void CMainDlg::OnTimer(UINT nIDEvent) {
    if (nIDEvent == kSearchTimer) {
        FindDevice(m_device, *this);
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

void CMainDlg::WakeUiController() {
    // The controller waits to be switched: through mode 1 into its boot mode,
    // then synchronised with reset frames.
    m_device.SetUiMode(1);
    SleepPumping(kModeSwitchMilliseconds);
    m_device.SetUiMode(4);
    static constexpr BYTE kResetCommand[] = {0x00};
    for (int i = 0; i < kWakeFrames; ++i) {
        SleepPumping(kWakeFrameDelayMilliseconds);
        SendUiCommandFrame(&m_device, 1, kResetCommand);
        Sleep(1);
        if (WaitUiStatus(&m_device, false) == UI_ACK) {
            break;
        }
    }
}

LRESULT CMainDlg::OnDeviceChanged(WPARAM wParam, LPARAM /*lParam*/) {
    const bool bFound = wParam == 1;
    m_romCpu.m_strSerialNo.clear();
    m_romUI78K.m_strUiSerialNo.clear();
    bool bResourceAccepted = false;
    if (bFound) {
        UiState eState = m_device.GetUiState();
        if (eState == UI_STATE_MUST_SWITCH) {
            WakeUiController();
            // The wake pumps messages; a search in it that found the device
            // gone has closed it and posted the change that empties the
            // window, which must not be overwritten with this device.
            if (!m_device.IsOpen()) {
                return 0;
            }
            eState = m_device.GetUiState();
        }
        bResourceAccepted = eState == UI_STATE_FIRMWARE;
        m_strDeviceName = m_device.m_strProductName;
    } else {
        LoadResString(m_strDeviceName, IDS_SEARCHING_DEVICE);
    }
    m_romUIRSC.m_bUpdateLocked = !bResourceAccepted;
    for (std::size_t i = 0; i < kRomCount; ++i) {
        CRomObject* pRom = Roms(i);
        if (bFound) {
            pRom->ReadDeviceVersion(&m_device, &m_progress);
        } else {
            pRom->m_strDeviceVersion.clear();
            if (pRom->m_pOwner != nullptr && pRom->m_chkUpdate.HasWindow()) {
                pRom->m_chkUpdate.SetCheck(BST_UNCHECKED);
            }
            pRom->m_bUpdate = false;
        }
        if (pRom->m_pOwner != nullptr) {
            pRom->m_pOwner->UpdateData(false);
        }
    }
    RefreshCheckBoxes();
    ShowTestImageNotice(*this);
    if (theCmdInfo.m_bAutoUpdate && bFound) {
        PostMessage(WM_COMMAND, IDC_UPDATE, 0);
    }
    if (m_pListener != nullptr) {
        m_pListener->OnDeviceRefreshed(bFound);
    }
    return 0;
}

bool CMainDlg::IsSelected(const CRomObject& rom) const {
    if (!rom.IsLoaded()) {
        return false;
    }
    if (rom.m_pOwner != nullptr && rom.m_chkUpdate.HasWindow()) {
        return rom.m_chkUpdate.GetCheck() == BST_CHECKED;
    }
    return rom.m_bUpdate;
}

bool CMainDlg::AnyMemorySelected() const {
    return IsSelected(m_romFlash) || IsSelected(m_romHost) || IsSelected(m_romUI78K) || IsSelected(m_romUIRSC);
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

void CMainDlg::OnCheckClicked() { UpdateData(true); }

void CMainDlg::OnCancel() {
    if (m_bBusy) {
        return;
    }
    CDialog::OnCancel();
}

void CMainDlg::SetStatus(UINT nId) {
    std::u16string text;
    LoadResString(text, nId);
    m_staticStatus.SetWindowText(text);
}

void CMainDlg::ClearSelection(CRomObject& rom) {
    if (rom.m_chkUpdate.HasWindow()) {
        rom.m_chkUpdate.SetCheck(BST_UNCHECKED);
    }
    rom.m_bUpdate = false;
}

}  // namespace rf
