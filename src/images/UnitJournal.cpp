#include "images/UnitJournal.h"
#include "base/Text.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "base/DurableFile.h"
#include "base/Environment.h"
#include "base/FilePath.h"
#include "images/RomSeeprom.h"
#include "images/RomUi.h"
#include "text/StringTable.h"

namespace rf {

namespace {

namespace fs = std::filesystem;

// An entry: tag, the length of the key, the key, the block. A file that is
// not exactly this (cut short, written by something else) is no entry.
constexpr BYTE kEntryTag[] = {'R', 'F', 'U', 'J', 1};
constexpr char kNoSerialName[] = "no-serial";
constexpr std::size_t kMaxKeyLength = 64;

bool IsErased(const UiInfoBlock& block) {
    return std::all_of(block.begin(), block.end(), [](BYTE b) { return b == 0xFF; });
}

std::vector<BYTE> Encode(const std::string& strUnit, const UiInfoBlock& block) {
    std::vector<BYTE> bytes(std::begin(kEntryTag), std::end(kEntryTag));
    bytes.push_back(static_cast<BYTE>(strUnit.size()));
    bytes.insert(bytes.end(), strUnit.begin(), strUnit.end());
    bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

}  // namespace

CUnitJournal::CUnitJournal() : m_directory(UserStateDirectory() / "reflasher" / "journal") {}

fs::path CUnitJournal::EntryPath(const std::string& strUnit) const {
    // The serial's bytes in hexadecimal: any byte a unit reports makes a
    // plain file name, and two serials never share one.
    if (strUnit.empty()) {
        return m_directory / kNoSerialName;
    }
    const std::span<const BYTE> bytes(reinterpret_cast<const BYTE*>(strUnit.data()),
                                      strUnit.size());
    return m_directory / ("unit-" + HexBytes(bytes, HexCase::Lower));
}

bool CUnitJournal::Keep(const std::string& strUnit, const UiInfoBlock& block) const {
    if (strUnit.size() > kMaxKeyLength) {
        return false;
    }
    if (strUnit.empty()) {
        // Units whose serial could not be read share one entry: another
        // unit's copy still waiting there must not be overwritten.
        const std::optional<UiInfoBlock> waiting = Read(strUnit);
        if (waiting && *waiting != block) {
            return false;
        }
    }
    return WriteFileDurably(EntryPath(strUnit), Encode(strUnit, block));
}

std::optional<UiInfoBlock> CUnitJournal::Read(const std::string& strUnit) const {
    std::vector<BYTE> bytes;
    if (!ReadFileBytes(EntryPath(strUnit), bytes)) {
        return std::nullopt;
    }
    const std::vector<BYTE> expected = Encode(strUnit, UiInfoBlock{});
    const std::size_t nBlockAt = expected.size() - kUiInfoBlockSize;
    if (bytes.size() != expected.size() ||
        !std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(nBlockAt),
                    bytes.begin())) {
        return std::nullopt;
    }
    UiInfoBlock block{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(nBlockAt), kUiInfoBlockSize,
                block.begin());
    return block;
}

std::optional<UiInfoBlock> CUnitJournal::Find(const std::string& strUnit) const {
    if (std::optional<UiInfoBlock> own = Read(strUnit)) {
        return own;
    }
    return strUnit.empty() ? std::nullopt : Read(std::string());
}

bool CUnitJournal::Forget(const std::string& strUnit, const UiInfoBlock& block) const {
    bool bForgotten = RemoveFileDurably(EntryPath(strUnit));
    if (!strUnit.empty() && Read(std::string()) == block) {
        bForgotten = RemoveFileDurably(EntryPath(std::string())) && bForgotten;
    }
    return bForgotten;
}

std::string JournalUnitKey(const CRom_Cpu& cpu) {
    // 0xFFFF: not read (or unreadable in ROM mode); 0: no valid header.
    if (cpu.m_wDeviceVersion == 0xFFFF || cpu.m_wDeviceVersion == 0) {
        return std::string();
    }
    return std::string(cpu.m_abSerialNo.begin(), cpu.m_abSerialNo.end());
}

UiInfoBlockChoice ChooseUiInfoBlock(const CUnitJournal& journal, const CRom_Cpu& cpu,
                                    const CRom_UI78K& ui, bool bAcceptBlank) {
    const std::string strUnit = JournalUnitKey(cpu);
    UiInfoBlockChoice choice;
    choice.block.fill(0xFF);
    const std::optional<UiInfoBlock> kept = journal.Find(strUnit);
    switch (ui.m_eInfoBlock) {
        case InfoBlockRead::Read:
            if (!IsErased(ui.m_abUiSerialNo)) {
                choice.block = ui.m_abUiSerialNo;
                choice.bKeep = true;
            } else {
                // The block reads erased: an earlier run that was cut after
                // programming may have left it so, and then the copy it kept
                // is the unit's. Without one the unit has no name to lose.
                choice.block = kept.value_or(ui.m_abUiSerialNo);
            }
            break;
        case InfoBlockRead::NotHeld:
            // Firmware of this age keeps no name.
            choice.block = kept.value_or(choice.block);
            break;
        case InfoBlockRead::Refused:
            // The name is in the flash, but it did not come whole: erasing
            // now would lose it.
            choice.nRefusal = IDS_ERR_UNIT_NAME_NOT_READ;
            break;
        case InfoBlockRead::NotAsked:
        case InfoBlockRead::NoFirmware:
            // No firmware to ask: the controller's flash was erased by an
            // update that was cut, or never held one. Only the copy that
            // update kept tells which name the unit had.
            if (kept) {
                choice.block = *kept;
            } else if (!bAcceptBlank) {
                choice.nRefusal = IDS_ERR_UNIT_NAME_NOT_KEPT;
            }
            break;
    }
    return choice;
}

bool CopyKeptEntry(const CUnitJournal& from, const CRom_Cpu& unit, const CUnitJournal& to,
                   const CRom_Cpu& twin) {
    const std::optional<UiInfoBlock> kept = from.Find(JournalUnitKey(unit));
    return !kept || to.Keep(JournalUnitKey(twin), *kept);
}

void ForgetUiInfoBlock(const CUnitJournal& journal, const CRom_Cpu& cpu, const UiInfoBlock& block) {
    // An entry that cannot be removed does no harm: it holds what the unit holds.
    journal.Forget(JournalUnitKey(cpu), block);
}

}  // namespace rf
