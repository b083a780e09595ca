#pragma once

// Which images are test images, and which set the program carries.
//
// Every image the generator makes (the carried test set and the firmware of
// earlier releases the emulated enclosure starts from) is known here by its
// SHA-256, so that a test image is recognised by its bytes however it comes
// back: carried, in a firmware package, or as a dropped file.

#include <span>

#include "base/Types.h"

namespace rf {

// True when the bytes are one of the generated images. Trailing 0xFF bytes
// are not counted: they are erased memory, and a held bridge image is padded
// with them to a whole number of pages.
bool IsGeneratedImage(std::span<const BYTE> bytes);

// True when the program was built with the maker's images
// (REFLASHER_FIRMWARE_DIR); false when it carries the test set.
bool CarriesVendorImages();

// The carried image of a writable memory (IDR_SEEPROM_HOST,
// IDR_BRIDGE_FIRMWARE, IDR_UI_FIRMWARE, IDR_UI_RESOURCE): the maker's when
// the build has them, else the test image. Other ids: the generated image.
std::span<const BYTE> FindCarriedImage(UINT nId);

}  // namespace rf
