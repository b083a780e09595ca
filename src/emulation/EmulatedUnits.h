#pragma once

// Several emulated enclosures in one directory, as a row of units on one
// computer. The first is kept in the directory itself, exactly as a lone
// enclosure is; each further one in a subdirectory of its own ("unit-2",
// "unit-3"...), so that a run working on one unit writes that unit's files
// only and several runs can work on several units at once.

#include <optional>
#include <string>
#include <string_view>

#include "emulator/EmulatedEnclosure.h"
#include "emulator/FaultPlan.h"

namespace rf {

// Enough for any row of units on one computer; a mistyped count must not
// fill the disk.
inline constexpr int kMaxEmulatedUnits = 64;

// The directory unit nUnit (1, 2, ...) is kept in.
std::string EmulatedUnitDirectory(const std::string& strDirectory, int nUnit);
// The drive unit nUnit is attached as: "emulated-enclosure",
// "emulated-enclosure-2"...
std::u16string EmulatedUnitDrive(int nUnit);
// How many units the directory holds: the first (kept or not) and every
// further one in order, up to the first number missing.
int CountEmulatedUnits(const std::string& strDirectory);
// Removes the units numbered above nUnits. False with a message when one
// cannot be removed.
bool RemoveEmulatedUnitsAbove(const std::string& strDirectory, int nUnits, std::string& strError);

// "--units N": a number from 1 to kMaxEmulatedUnits.
std::optional<int> ParseUnitCount(std::string_view text);

// Gives unit nUnit serial numbers of its own: the bridge's (SEEPROM(CPU))
// and the front panel's, each the first unit's plus nUnit - 1. Unit 1
// keeps the preset's.
void NumberEmulatedUnit(emu::CEmulatedEnclosure& enclosure, int nUnit);

// The serial number an emulated unit reports ("Serial No."), empty when
// its SEEPROM(CPU) holds no valid header.
std::u16string EmulatedUnitSerial(const emu::CEmulatedEnclosure& enclosure);

// "--emulate-fault [UNIT:]KIND:N": UNIT, when given, is the serial number or
// drive of the unit the fault is meant for.
struct UnitFault {
    std::u16string unit;  // empty: every unit
    emu::Fault fault;
};
std::optional<UnitFault> ParseUnitFault(std::string_view text);

}  // namespace rf
