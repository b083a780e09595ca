#pragma once

// The dialog an owner of the enclosure sees: the main dialog without
// per-memory rows and check boxes, showing instead the product version of
// the carried images and of the device, and their firmware version lists.
// Every memory whose image is newer is written.

#include <string>

#include "framework/controls/Edit.h"
#include "ui/MainDlg.h"

namespace rf {

class CMainUserDlg : public CMainDlg {
public:
    explicit CMainUserDlg(IDeviceSystem& system);

    CEdit m_editProductVersion;
    std::u16string m_strProductVersion;
    CEdit m_editFirmwareVersions;
    std::u16string m_strFirmwareVersions;
    CEdit m_editDeviceProductVersion;
    std::u16string m_strDeviceProductVersion;
    CEdit m_editDeviceFirmwareVersions;
    std::u16string m_strDeviceFirmwareVersions;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
};

}  // namespace rf
