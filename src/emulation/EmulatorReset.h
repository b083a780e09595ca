#pragma once

// "emulator reset": the emulated enclosures of a directory made anew from a
// named starting point (and chosen chips), replacing what the directory
// held. The front ends take the request from their options and print the
// text of the result; the work is the same for all of them.

#include <optional>
#include <string>

#include "emulation/EmulatorPresets.h"

namespace rf {

struct EmulatorReset {
    std::string strDirectory;
    std::string strPreset = kDefaultPreset;
    std::string strFlashChip;         // empty: the preset's own
    std::string strSpiChip;           // empty: the preset's own
    std::optional<std::string> link;  // a link profile's name; none: the preset's
    bool bAsRealUnit = false;         // without the emulated mark
    std::string strUnits = "1";       // the count as it was given
};

enum class ResetOutcome {
    Done,
    BadUnitCount,  // nothing done
    NotMade,       // an unknown preset, chip or link: nothing done
    SaveFailed,    // the directory may hold part of the row
};

struct EmulatorResetResult {
    ResetOutcome outcome = ResetOutcome::NotMade;
    std::string strError;
    bool bUnknownPreset = false;  // the preset or a chip was unknown: the presets are listed
    std::string strLink;          // the link the first unit is attached by
    int nUnits = 0;
};

EmulatorResetResult ResetEmulatedEnclosures(const EmulatorReset& reset);

// What every front end tells of the result, lines ended; for an outcome
// other than Done, an error's text.
std::u16string EmulatorResetText(const EmulatorReset& reset, const EmulatorResetResult& result);

}  // namespace rf
