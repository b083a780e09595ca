#pragma once

// Reading a unit into a backup, without writing anything to it. A file is
// saved only when every byte of its memory came back as the device holds
// it: a backup with holes would be restored as if it were good. The files
// are one set (see BackupSet.h), the manifest written last, once every
// file is whole.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "backup/UnitManifest.h"
#include "base/Types.h"
#include "device/ReadFault.h"

namespace rf {

class CBackupSet;
class CRomObject;
class CRom_Cpu;
class CRom_Flash;
class CRom_Host;
class CRom_UI78K;
class CRom_UIRSC;
class CScsiDevice;

// The unit as an update read it: its open device and the image objects
// that hold what the read found.
struct UnitReading {
    CScsiDevice& device;
    const CRom_Flash& flash;
    const CRom_Host& host;
    const CRom_Cpu& cpu;
    const CRom_UI78K& ui;
    const CRom_UIRSC& resource;

    const CRomObject& Rom(MemoryKind kind) const;
};

// What was read of the unit, with how much of each memory's contents the
// backup holds.
UnitManifest DescribeUnit(const UnitReading& unit, int nUiState, const ManifestMemories& contents);

// The bridge firmware's version string as the unit reported it, as text.
std::string FlashVersionString(const CRom_Flash& flash);

// What a backup did, in order, for the front end to tell once it is whole.
struct BackupNote {
    enum Kind { Saved, NoResource, NoUiFlash } kind;
    std::filesystem::path path;  // of a saved file
};

struct UnitBackupResult {
    bool bDone = false;
    std::vector<BackupNote> notes;
    // Of a failure: the memory's name (0: the set as a whole), its file,
    // and what went wrong (a read fault, else strError).
    UINT nMemory = 0;
    const char* pszFile = nullptr;
    std::optional<ReadFault> readFault;
    std::string strError;
};

// Reads the unit's memories into the set, begun on directory, and puts the
// set in place. The device is closed at the end, whatever the outcome.
UnitBackupResult ReadUnitIntoBackup(const UnitReading& unit, CBackupSet& set,
                                    const std::filesystem::path& directory);

}  // namespace rf
