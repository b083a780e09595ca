#pragma once

// A firmware package put into an update: its images replace the carried
// ones of their memories, with origin "package". The package is checked
// whole first; a package with a fault changes nothing.

#include <string>

#include "package/FirmwarePackage.h"

namespace rf {

class CFirmwareUpdate;

// False (with the fault) when the package cannot be used.
bool LoadPackageImages(CFirmwareUpdate& update, const std::u16string& strPath, PackageError& error);
// "The firmware package cannot be used: FILE: REASON".
std::u16string DescribePackageError(const PackageError& error);

}  // namespace rf
