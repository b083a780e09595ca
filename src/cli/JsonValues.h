#pragma once

// Values as --json gives them: the same in every language, null for what
// is unknown or was not read. Texts for people go under keys of their own.

#include <string>

#include "base/Json.h"
#include "base/Types.h"

namespace rf {

class CFirmwareUpdate;
class CRomObject;

// A name from a device's inquiry data, its padding taken away: words
// separated by one space, null when nothing is left.
CJson OneSpaced(const std::u16string& text);
CJson OneSpaced(const std::string& text);

// A product version as "1.01", null for 0xFFFF (unknown).
CJson ProductVersionValue(WORD wVersion);
// The product version of the unit's memories (bDevice) or of the images.
WORD ProductVersionWord(CFirmwareUpdate& update, bool bDevice);

// A memory's "device_version" (the version as read, or null) and
// "device_state": "read", or why no version was read ("unreadable",
// "invalid", "no_version_info", "rom_mode", "debugger", "not_read").
void WriteDeviceVersion(const CRomObject& rom, CJson& memory);
// The image's version, null when no valid image is loaded.
CJson ImageVersionValue(const CRomObject& rom);

// A text as a value: null when it is empty.
CJson TextOrNull(const std::u16string& text);

}  // namespace rf
