#pragma once

// What belongs to the unit itself and not to any image: the front panel's
// information block (controller address 0xA0, the unit's name) lives in the
// controller's program flash, which the UI firmware update erases and
// programs anew. Power lost between the two would take the name with it,
// and the next update could not read it back from a controller that has no
// firmware to answer. So before anything is erased the block is kept on the
// computer, in a small journal keyed by the unit's serial number (read from
// SEEPROM(CPU)); the next update of that unit writes the kept copy back when
// the controller's block reads erased, and the entry goes once a rewrite of
// the block was verified.

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "base/Types.h"

namespace rf {

class CRom_Cpu;
class CRom_UI78K;

inline constexpr std::size_t kUiInfoBlockSize = 16;
using UiInfoBlock = std::array<BYTE, kUiInfoBlockSize>;

class CUnitJournal {
public:
    // The journal in the user's state directory.
    CUnitJournal();
    explicit CUnitJournal(std::filesystem::path directory) : m_directory(std::move(directory)) {}

    // strUnit: the unit's serial number as read, empty when none could be read.
    // Written and on the disk when this returns true.
    bool Keep(const std::string& strUnit, const UiInfoBlock& block) const;
    // The unit's own entry; for a unit whose serial could not be read when
    // it was kept, the one entry kept without a serial.
    std::optional<UiInfoBlock> Find(const std::string& strUnit) const;
    // Removes the unit's entry, and the entry without a serial when it holds
    // the same block.
    bool Forget(const std::string& strUnit, const UiInfoBlock& block) const;

    const std::filesystem::path& Directory() const { return m_directory; }

private:
    std::filesystem::path EntryPath(const std::string& strUnit) const;
    std::optional<UiInfoBlock> Read(const std::string& strUnit) const;

    std::filesystem::path m_directory;
};

// The unit's serial number as the journal keys it: the raw bytes of
// SEEPROM(CPU)'s serial field, empty when that EEPROM gave no valid header.
std::string JournalUnitKey(const CRom_Cpu& cpu);

// What the UI firmware's programming puts at 0xA0, decided from what was
// read of the unit and what the journal holds, before anything is written.
struct UiInfoBlockChoice {
    // Not 0: the unit's name is not known, and the controller's flash must
    // not be erased (the message says why).
    UINT nRefusal = 0;
    UiInfoBlock block{};
    // The block was read from the unit and is kept in the journal before
    // the erase.
    bool bKeep = false;
};

// A block read from the unit is the unit's (kept first, unless it reads
// erased and the journal holds the copy an interrupted update kept). A
// block that could not be read is the journal's copy, or else unknown:
// refused, unless bAcceptBlank lets the name be written empty. Reads the
// journal only.
UiInfoBlockChoice ChooseUiInfoBlock(const CUnitJournal& journal, const CRom_Cpu& cpu,
                                    const CRom_UI78K& ui, bool bAcceptBlank);
// A twin's scratch journal given the entry the unit's journal keeps for
// the unit, under the twin's key, so that a rehearsal or a plan writes the
// name back as the update would. The unit's journal is only read. False
// when the entry could not be copied.
bool CopyKeptEntry(const CUnitJournal& from, const CRom_Cpu& unit, const CUnitJournal& to,
                   const CRom_Cpu& twin);

// Once the programmed block was verified.
void ForgetUiInfoBlock(const CUnitJournal& journal, const CRom_Cpu& cpu, const UiInfoBlock& block);

}  // namespace rf
