#pragma once

// The formats of the images the memories take, checked and read from the
// facts of the memory table.

#include <span>
#include <string>
#include <string_view>

#include "base/Types.h"
#include "firmware/MemoryTable.h"

namespace rf {

// Why an image is not one of its memory's format.
enum class ImageFault {
    None,
    TooShort,     // it ends before its mark or its version
    NoMark,       // the format's mark is not where the format keeps it
    BadChecksum,  // the SEEPROM header's words do not add up to 0
};

// The format's own mark (and for the SEEPROM its header checksum).
ImageFault CheckImage(MemoryKind kind, std::span<const BYTE> image);
inline bool IsValidImage(MemoryKind kind, std::span<const BYTE> image) {
    return CheckImage(kind, image) == ImageFault::None;
}
// The mark CheckImage looks for, as text ("RESOURCE"; the SEEPROM's is the
// word 0x55AA).
std::string_view ImageMark(MemoryKind kind);
// Where the format keeps its little-endian version word (the UI firmware
// and the resource data follow it with their build date and time).
std::size_t ImageVersionOffset(MemoryKind kind);
// The four-digit version text the user dialog shows ("0027", "C018"...);
// empty when the image is too short to hold it.
std::string ImageVersionText(MemoryKind kind, std::span<const BYTE> image);
// The day the image was built, "2013-11-12", where its format keeps it (the
// packed date of the UI firmware and the resource data, the date in the
// bridge firmware's version string); empty when it holds none.
std::string ImageBuildDate(MemoryKind kind, std::span<const BYTE> image);

}  // namespace rf
