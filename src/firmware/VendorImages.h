#pragma once

// The maker's images, embedded when the build is configured with
// REFLASHER_FIRMWARE_DIR; without it there are none.

#include <span>

#include "base/Types.h"

namespace rf {

// The maker's image with that carried id, or an empty span.
std::span<const BYTE> VendorImage(UINT nId);

}  // namespace rf
