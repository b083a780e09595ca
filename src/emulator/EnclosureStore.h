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

// Where a kept enclosure's files are read from: its directory, or bytes
// held in memory (what a fuzz target gives). The files are the same either
// way, and so is every check made of them.
class IStoreFiles {
public:
    virtual ~IStoreFiles() = default;
    // The file as a message names it.
    virtual std::string Name(const char* pszFile) const = 0;
    // False with a message when the file is missing or cannot be read.
    virtual bool Read(const char* pszFile, std::string& strContents,
                      std::string& strError) const = 0;
};
std::unique_ptr<CEmulatedEnclosure> LoadEnclosure(const IStoreFiles& files, std::string& strError);

bool EnclosureExists(const std::string& strDirectory);

// Everything SaveEnclosure keeps, as one value: equal values save equal
// files, so a run can leave alone what it did not change.
std::string EnclosureState(const CEmulatedEnclosure& enclosure);

}  // namespace rf::emu
