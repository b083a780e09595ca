#pragma once

// Where the image objects find the images the program carries, by id. The
// built-in source is the images compiled into the program (src/firmware);
// the Windows program reads the same images back from its "BINARY"
// resources, which the build makes from the same files.

#include <span>

#include "base/Types.h"

namespace rf {

// The image's bytes, or an empty span when there is none with the id.
using ImageResourceSource = std::span<const BYTE> (*)(UINT nId);
void SetImageResourceSource(ImageResourceSource source);  // null restores the built-in images

std::span<const BYTE> FindImageResource(UINT nId);

}  // namespace rf
