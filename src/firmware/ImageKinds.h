#pragma once

// The four writable memories as image files know them: the key that names
// a memory (in packages and on the command line), the file name of its
// image in a firmware directory, its carried image, the largest image it
// takes, the validity test of its format and its version text. One table,
// read by the package reader, the export and the build's check of the
// maker's files alike.

#include <span>
#include <string>
#include <string_view>

#include "base/Types.h"

namespace rf {

enum class MemoryKind { Flash, Host, Ui, Resource };

struct MemoryKindInfo {
    MemoryKind kind;
    const char* pszKey;       // "flash", "host", "ui", "resource"
    const char* pszFileName;  // "bridge.bin", ...
    UINT nCarriedId;          // IDR_BRIDGE_FIRMWARE, ...
    UINT nBufferSize;         // the image object's buffer
    // The largest image the memory itself takes. The UI controller's flash
    // is smaller than its image object's buffer; the FLASH-ROM and the SPI
    // flash take what their chip holds, which only the unit tells.
    UINT nLargestImage;
};

// In the order an update writes them: host, flash, resource, ui.
std::span<const MemoryKindInfo> MemoryKinds();
const MemoryKindInfo& MemoryKindOf(MemoryKind kind);
// Null when no memory has the key.
const MemoryKindInfo* FindMemoryKind(std::string_view key);

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
