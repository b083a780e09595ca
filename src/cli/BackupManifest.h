#pragma once

// The manifest a backup writes beside its memory files: what was read of
// the unit, as the update itself read it, so that a twin can be made of it.

#include <array>
#include <string>

#include "session/UnitManifest.h"

namespace rf {

class CFirmwareUpdate;

// What the update object read of the unit, with how much of each memory's
// contents the backup holds (in the order of kManifestMemories).
UnitManifest DescribeUnit(CFirmwareUpdate& update, int nUiState,
                          const std::array<ManifestMemory, kManifestMemoryCount>& contents);

// The bridge firmware's version string as the unit reported it, as text.
std::string FlashVersionString(const CFirmwareUpdate& update);

// The manifest as JSON text.
std::string FormatUnitManifest(const UnitManifest& manifest);

}  // namespace rf
