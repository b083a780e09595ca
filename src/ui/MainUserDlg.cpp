#include "ui/MainUserDlg.h"

#include "ui/ControlIds.h"
#include "update/ProductVersions.h"

namespace rf {

namespace {

constexpr UINT IDD_USER = 103;

}  // namespace

CMainUserDlg::CMainUserDlg(IDeviceSystem& system) : CMainDlg(system, IDD_USER) {
    // Without an owner an image object touches no control: its selection
    // lives in m_bUpdate alone.
    m_romFlash.m_pOwner = nullptr;
    m_romHost.m_pOwner = nullptr;
    m_romUI78K.m_pOwner = nullptr;
    m_romUIRSC.m_pOwner = nullptr;
    m_romCpu.m_pOwner = this;
}

bool CMainUserDlg::OnInitDialog() {
    CMainDlg::OnInitDialog();
    return true;
}

void CMainUserDlg::DoDataExchange(CDataExchange* pDX) {
    CMainDlg::DoDataExchange(pDX);
    const CRomObject* const roms[] = {&m_romFlash, &m_romHost, &m_romUI78K, &m_romUIRSC};
    if (!pDX->m_bSaveAndValidate) {
        m_strFirmwareVersions.clear();
        std::array<std::u16string, 4> imageVersions;
        for (std::size_t i = 0; i < 4; ++i) {
            imageVersions[i] = roms[i]->m_strRomVersion;
            m_strFirmwareVersions += u"(" + std::u16string(1, static_cast<char16_t>(u'1' + i)) +
                                     u") Ver." + roms[i]->m_strRomVersion + (i < 3 ? u"\r\n" : u"");
        }
        m_strProductVersion = FormatProductVersion(LookUpProductVersion(imageVersions));
    }

    const bool bDeviceOpen = m_device.IsOpen();
    m_strDeviceFirmwareVersions.clear();
    m_strDeviceProductVersion.clear();
    if (bDeviceOpen) {
        std::array<std::u16string, 4> deviceVersions;
        for (std::size_t i = 0; i < 4; ++i) {
            const std::u16string& text = roms[i]->m_strDeviceVersion;
            deviceVersions[i] = text;
            const std::u16string number =
                u"(" + std::u16string(1, static_cast<char16_t>(u'1' + i)) + u")";
            if (text.empty()) {
                m_strDeviceFirmwareVersions += u"\r\n";
            } else if (text.size() == 4) {
                m_strDeviceFirmwareVersions += number + u" Ver." + text + u"\r\n";
            } else {
                m_strDeviceFirmwareVersions += number + u" " + text + u"\r\n";
            }
        }
        m_strDeviceProductVersion = FormatProductVersion(LookUpProductVersion(deviceVersions));
    }
    // Any open device can be updated; an owner cannot choose memories.
    m_btnUpdate.EnableWindow(bDeviceOpen && !m_bBusy);

    DDX_Control(pDX, IDC_PRODUCT_VERSION, m_editProductVersion);
    DDX_Text(pDX, IDC_PRODUCT_VERSION, m_strProductVersion);
    DDX_Control(pDX, IDC_FIRMWARE_VERSIONS, m_editFirmwareVersions);
    DDX_Text(pDX, IDC_FIRMWARE_VERSIONS, m_strFirmwareVersions);
    DDX_Control(pDX, IDC_DEVICE_PRODUCT_VERSION, m_editDeviceProductVersion);
    DDX_Text(pDX, IDC_DEVICE_PRODUCT_VERSION, m_strDeviceProductVersion);
    DDX_Control(pDX, IDC_DEVICE_FIRMWARE_VERSIONS, m_editDeviceFirmwareVersions);
    DDX_Text(pDX, IDC_DEVICE_FIRMWARE_VERSIONS, m_strDeviceFirmwareVersions);
}

}  // namespace rf
