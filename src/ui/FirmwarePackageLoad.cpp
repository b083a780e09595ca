#include "ui/FirmwarePackageLoad.h"

#include "app/FilePath.h"
#include "app/Messages.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "ui/MainDlg.h"

namespace rf {

namespace {

CRomObject* RomOf(CMainDlg& dialog, MemoryKind kind) {
    switch (kind) {
        case MemoryKind::Flash:
            return &dialog.m_romFlash;
        case MemoryKind::Host:
            return &dialog.m_romHost;
        case MemoryKind::Ui:
            return &dialog.m_romUI78K;
        case MemoryKind::Resource:
            return &dialog.m_romUIRSC;
    }
    return nullptr;
}

}  // namespace

bool LoadFirmwarePackage(CMainDlg& dialog, const std::u16string& strPath, PackageError& error) {
    FirmwarePackage package;
    if (!ReadFirmwarePackage(PathFromUtf16(strPath), package, error)) {
        return false;
    }
    // Checked whole above: every image fits its buffer.
    for (const PackageImage& image : package.images) {
        RomOf(dialog, image.pKind->kind)->LoadBytes(image.bytes, ImageOrigin::Package, strPath);
    }
    const bool bDeviceOpen = dialog.m_device.IsOpen();
    for (CRomObject* pRom :
         {static_cast<CRomObject*>(&dialog.m_romFlash), static_cast<CRomObject*>(&dialog.m_romHost),
          static_cast<CRomObject*>(&dialog.m_romUI78K),
          static_cast<CRomObject*>(&dialog.m_romUIRSC)}) {
        pRom->UpdateCheckBox(bDeviceOpen);
    }
    dialog.UpdateData(false);
    dialog.UpdateData(true);
    ShowTestImageNotice(dialog);
    return true;
}

std::u16string DescribePackageError(const PackageError& error) {
    return LoadResString(IDS_PKG_REFUSED) + Utf8ToUtf16(error.strFile) + u": " +
           LoadResString(error.nReason);
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
