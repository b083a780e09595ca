#include "update/PackageImages.h"

#include "base/FilePath.h"
#include "base/Text.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

bool LoadPackageImages(CFirmwareUpdate& update, const std::u16string& strPath,
                       PackageError& error) {
    FirmwarePackage package;
    if (!ReadFirmwarePackage(PathFromUtf16(strPath), package, error)) {
        return false;
    }
    // Checked whole above: every image fits its buffer.
    for (const PackageImage& image : package.images) {
        update.RomOf(image.pKind->kind).LoadBytes(image.bytes, ImageOrigin::Package, strPath);
    }
    return true;
}

std::u16string DescribePackageError(const PackageError& error) {
    return LoadResString(IDS_PKG_REFUSED) + Utf8ToUtf16(error.strFile) + u": " +
           LoadResString(error.nReason);
}

}  // namespace rf
