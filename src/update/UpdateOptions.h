#pragma once

// Everything an update takes from the start-up options, as values. The
// front ends read their command line once, where the program starts, and
// hand this down; nothing below them reads the options object again, so
// what a run checked at its start is what it runs with.

#include <filesystem>
#include <string>

namespace rf {

class CReflasherCommandLineInfo;

struct UpdateOptions {
    bool bVendorMode = false;   // the technical titles and the longer version texts
    bool bAllProducts = false;  // the other models of the product table count as units
    bool bForceAmdRom = true;   // an unidentified FLASH chip is written as the usual AMD part
    bool bDisableResetUI = false;
    bool bIgnoreLockDrivesError = false;
    // The front panel's firmware may be written with an empty name when the
    // unit's name can be neither read nor found in the journal.
    bool bIgnoreMissingUnitName = false;
    std::u16string strUIResourceFile;  // replaces the carried resource data when set
    // Where the unit's own data is kept over the UI firmware's erase; empty
    // for the journal in the user's state directory. A rehearsal or a plan
    // keeps its own, so that it never touches the unit's.
    std::filesystem::path journalDirectory;
    // Where the front end keeps the emulated enclosure's state after the
    // run; empty for a real unit. A run that could not keep it must not
    // begin.
    std::filesystem::path stateDirectory;
};

UpdateOptions UpdateOptionsFrom(const CReflasherCommandLineInfo& info);

}  // namespace rf
