#pragma once

// A twin made from a backup and checked before anyone relies on it: read
// as the update reads a unit, it must report what the unit reported when
// it was backed up (versions, serial numbers, revision). A twin that reads
// back otherwise means files and manifest do not belong together.

#include <memory>
#include <string>

#include "emulation/TwinFromBackup.h"
#include "emulator/EmulatedEnclosure.h"

namespace rf {

// Null with a message naming what is missing or does not agree.
std::shared_ptr<emu::CEmulatedEnclosure> MakeCheckedTwin(const std::string& strBackup,
                                                         TwinProvenance& provenance,
                                                         std::string& strError);

}  // namespace rf
