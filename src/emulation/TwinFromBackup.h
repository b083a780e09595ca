#pragma once

// An emulated twin of a unit, made from its backup: the memories the backup
// read, on the chips the unit identified, behind its INQUIRY identity and
// attached by a link like the unit's bus. What the backup could not read is
// modelled, and the twin keeps a record of which parts those are, so that
// nobody takes a modelled part for the unit's own.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup/UnitManifest.h"
#include "emulator/EmulatedEnclosure.h"

namespace rf {

// The parts of a twin that can be modelled rather than read; the record
// keeps these keys, the front ends say what each means.
inline constexpr char kModelledUiFirmware[] = "ui-firmware";  // carried image of the unit's version
inline constexpr char kModelledUiBlank[] = "ui-blank";        // the unit reported no valid firmware
inline constexpr char kModelledUiDebugger[] = "ui-debugger";  // a debugger build; its code unknown
inline constexpr char kModelledFlashChip[] = "flash-chip";    // not identified while firmware runs
inline constexpr char kModelledFlashRest[] = "flash-rest";    // the chip beyond the bytes read
inline constexpr char kModelledResource[] = "resource";       // SPI flash not readable: erased
inline constexpr char kModelledSpiChip[] = "spi-chip";        // not identified: the usual part
inline constexpr char kModelledLink[] = "link";               // the host's speed is not known

struct TwinProvenance {
    std::string strBackup;              // the backup directory the twin was made from
    std::vector<std::string> modelled;  // keys above
};

// The twin of the unit the backup in strBackup was read from; null with a
// message naming what is missing or wrong when the backup is incomplete or
// does not agree with its manifest. Nothing is written.
std::shared_ptr<emu::CEmulatedEnclosure> MakeTwinFromBackup(const std::string& strBackup,
                                                            const UnitManifest& manifest,
                                                            TwinProvenance& provenance,
                                                            std::string& strError);

// The record beside the enclosure's own files; SaveTwinProvenance with
// nullopt removes it (an enclosure made anew from a preset is no twin).
bool SaveTwinProvenance(const std::string& strDirectory,
                        const std::optional<TwinProvenance>& provenance, std::string& strError);
// nullopt when the directory holds no twin's record.
std::optional<TwinProvenance> ReadTwinProvenance(const std::string& strDirectory);

}  // namespace rf
