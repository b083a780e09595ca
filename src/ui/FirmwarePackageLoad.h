#pragma once

// A firmware package put into a dialog: its images replace the carried ones
// of their memories, with origin "package", and the versions shown follow.
// The package is checked whole first; a package with a fault changes
// nothing.

#include <string>

#include "update/PackageImages.h"

namespace rf {

class CMainDlg;

// False (with the fault) when the package cannot be used.
bool LoadFirmwarePackage(CMainDlg& dialog, const std::u16string& strPath, PackageError& error);
// The same for the option /Firmware= and for a package dropped on a dialog:
// a fault is shown in a message box naming the file and the reason.
bool LoadFirmwarePackageShowingFaults(CMainDlg& dialog, const std::u16string& strPath);
// A file or directory dropped on a dialog outside its image fields: a
// package, loaded as /Firmware= would load it. Ignored while an update
// runs, since the images are being written.
bool OnFirmwarePackageDropped(CMainDlg& dialog, const std::u16string& strPath);

}  // namespace rf

namespace rf {

// The window's title says so while a real unit is open and test images are
// held for one of its memories: the refusal then comes as no surprise.
void ShowTestImageNotice(CMainDlg& dialog);

}  // namespace rf
