#pragma once

// Images that stand for the maker's: a carried test image with one byte of
// its code area changed, so that it is valid for its memory but is no test
// image. (The code areas lie outside every checksum of the formats.)

#include <filesystem>
#include <vector>

#include "base/Types.h"

namespace rf::test {

// nId: IDR_SEEPROM_HOST, IDR_BRIDGE_FIRMWARE, IDR_UI_FIRMWARE, IDR_UI_RESOURCE.
std::vector<BYTE> NonTestImage(UINT nId);

// A directory package of the four images (the maker's stand-ins, or the
// carried test images) with its metainfo.
void WritePackageDirectory(const std::filesystem::path& directory, bool bTestImages);
// The metainfo of the image files in the directory, as they are.
void WriteMetainfo(const std::filesystem::path& directory);

}  // namespace rf::test
