#pragma once

// Which images are test images, and which set the program carries.
//
// Every image the generator makes (the carried test set and the firmware of
// earlier releases the emulated enclosure starts from) is a test image, and
// is known as one by what it is rather than by its exact bytes, so that it is
// recognised however it comes back (carried, in a firmware package, as a
// dropped file) and however it was changed on the way: one byte altered,
// padded, cut short, its checksum made right again.

#include <span>

#include "base/Types.h"

namespace rf {

// True when the bytes are a generated image however changed: they carry the
// generator's mark (firmware/TestImageMark.h) anywhere, or most of them are
// the content of generated images.
//
// "Most": the bytes are taken in blocks of 256; a block that is all one
// value (erased or cleared memory) says nothing and is not counted. The
// image is a test image when more than half of the blocks that are left can
// be found, byte for byte and at any offset, among the blocks of the
// generated images. Only blocks of the generated images with at least 64
// different byte values are looked for: those are the generator's
// pseudo-random code. Headers, texts and fill, which a maker's image may
// well share with ours, are never looked for, so a maker's image matches
// no block at all unless it was built from ours (a 256-byte run of
// pseudo-random bytes does not happen by chance), and the threshold of one
// half leaves a wide margin on both sides: a changed test image keeps
// nearly all of its blocks.
bool IsGeneratedImage(std::span<const BYTE> bytes);

// True when the program was built with the maker's images
// (REFLASHER_FIRMWARE_DIR); false when it carries the test set.
bool CarriesVendorImages();

// The carried image of a writable memory (IDR_SEEPROM_HOST,
// IDR_BRIDGE_FIRMWARE, IDR_UI_FIRMWARE, IDR_UI_RESOURCE): the maker's when
// the build has them, else the test image. Other ids: the generated image.
std::span<const BYTE> FindCarriedImage(UINT nId);

}  // namespace rf
