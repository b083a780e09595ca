#pragma once

// Keeps an emulated enclosure in a directory between runs: its memories as
// binary files and its make-up (FLASH chip, bus, INQUIRY texts) as a small
// text file. Files are replaced whole, so a run that dies mid-save leaves
// the previous state.

#include <memory>
#include <string>

#include "emulator/EmulatedEnclosure.h"

namespace rf::emu {

// False with a message when the directory cannot be written.
bool SaveEnclosure(const CEmulatedEnclosure& enclosure, const std::string& strDirectory,
                   std::string& strError);

// Null with a message when the directory holds no enclosure or a damaged one.
std::unique_ptr<CEmulatedEnclosure> LoadEnclosure(const std::string& strDirectory,
                                                  std::string& strError);

bool EnclosureExists(const std::string& strDirectory);

// Everything SaveEnclosure keeps, as one value: equal values save equal
// files, so a run can leave alone what it did not change.
std::string EnclosureState(const CEmulatedEnclosure& enclosure);

}  // namespace rf::emu
