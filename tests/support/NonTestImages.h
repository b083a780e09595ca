#pragma once

// Images that stand for the maker's: a carried test image with one byte of
// its code area changed, so that it is valid for its memory but is no test
// image. (The code areas lie outside every checksum of the formats.)

#include <vector>

#include "app/Types.h"

namespace rf::test {

// nId: IDR_SEEPROM_HOST, IDR_BRIDGE_FIRMWARE, IDR_UI_FIRMWARE, IDR_UI_RESOURCE.
std::vector<BYTE> NonTestImage(UINT nId);

}  // namespace rf::test
