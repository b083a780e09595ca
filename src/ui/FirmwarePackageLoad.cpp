#include "ui/FirmwarePackageLoad.h"

#include "base/FilePath.h"
#include "base/Text.h"
#include "framework/Messages.h"
#include "text/StringTable.h"
#include "ui/MainDlg.h"
#include "update/PackageImages.h"

namespace rf {

bool LoadFirmwarePackage(CMainDlg& dialog, const std::u16string& strPath, PackageError& error) {
    if (!LoadPackageImages(dialog.m_update, strPath, error)) {
        return false;
    }
    const bool bDeviceOpen = dialog.m_device.IsOpen();
    for (CRomObject* pRom : dialog.m_update.Writable()) {
        pRom->UpdateCheckBox(bDeviceOpen);
    }
    dialog.UpdateData(false);
    dialog.UpdateData(true);
    ShowTestImageNotice(dialog);
    return true;
}

bool LoadFirmwarePackageShowingFaults(CMainDlg& dialog, const std::u16string& strPath) {
    PackageError error;
    if (LoadFirmwarePackage(dialog, strPath, error)) {
        return true;
    }
    CurrentMessageBoxes().Show(DescribePackageError(error), AppName(), MB_KIND_ERROR);
    return false;
}

}  // namespace rf

namespace rf {

bool OnFirmwarePackageDropped(CMainDlg& dialog, const std::u16string& strPath) {
    if (dialog.IsBusy()) {
        return false;
    }
    return LoadFirmwarePackageShowingFaults(dialog, strPath);
}

}  // namespace rf

namespace rf {

void ShowTestImageNotice(CMainDlg& dialog) {
    const bool bRealUnit = dialog.m_device.IsOpen() && !dialog.m_device.m_bEmulatedEnclosure;
    const bool bTestImages = HoldsTestImage(dialog.m_romFlash) ||
                             HoldsTestImage(dialog.m_romHost) ||
                             HoldsTestImage(dialog.m_romUI78K) || HoldsTestImage(dialog.m_romUIRSC);
    dialog.SetWindowText(bRealUnit && bTestImages ? AppName() + LoadResString(IDS_TEST_IMAGES_TITLE)
                                                  : AppName());
}

}  // namespace rf
