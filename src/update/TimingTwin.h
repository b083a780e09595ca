#pragma once

// How long the update takes on a unit, found by running it: on an emulated
// enclosure made like the unit that was read (its link, its FLASH and SPI
// chips, its bridge and front panel as they were found), on a virtual
// clock of its own. The enclosure's models of the chips and the link set
// the time, and the update's own code sends the commands, so the figure
// follows every change of the update without a second description of it.
// Nothing of this reaches the unit: the twin is a separate enclosure on a
// separate device system, and it keeps its unit journal in a directory of
// its own.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "base/Types.h"
#include "emulator/BusProfile.h"

namespace rf {

class CFirmwareUpdate;
class CRomObject;

struct TwinRun {
    bool bMade = false;                   // false: no twin could be made of this unit
    std::uint64_t nReadMicroseconds = 0;  // search and read, as an update begins
    std::uint64_t nRunMicroseconds = 0;   // the run, restart of the bridge included
    std::vector<UINT> stageTexts;         // the status texts the run showed, in order
    UINT nMessageId = 0;                  // the run's result
};

// One update of the twin, writing the memories given by the unit's image
// objects (none: only what every update does). The twin takes the unit's
// images, options and branches.
TwinRun RunOnTwin(const CFirmwareUpdate& unit, std::span<const CRomObject* const> write,
                  const emu::BusProfile& link, const std::filesystem::path& journalDirectory);

}  // namespace rf
