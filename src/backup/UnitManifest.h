#pragma once

// What a backup directory says about the unit it was read from (unit.json
// beside the memory files): enough to make an emulated twin of the unit
// and to check that the twin reads back as the unit did. The backup writes
// it last, once every file is whole; the twin is made only from a manifest
// that reads back complete.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Types.h"
#include "firmware/MemoryTable.h"

namespace rf {

inline constexpr char kUnitManifestFile[] = "unit.json";
// Raised when a field changes meaning; a reader refuses a format it does not know.
inline constexpr int kUnitManifestFormat = 1;

// How much of a memory the backup holds.
enum class MemoryRead { Whole, Part, Unreadable };

const char* MemoryReadKey(MemoryRead read);  // "whole", "part", "unreadable"
std::optional<MemoryRead> MemoryReadFromKey(const std::string& strKey);

inline constexpr char kInfoBlockFile[] = "ui-info-block.bin";

struct ManifestMemory {
    MemoryRead read = MemoryRead::Unreadable;
    std::uint32_t nBytes = 0;  // bytes in its file
    // The version the unit reported: 0xFFFF not read, 0 invalid contents;
    // the UI controller's firmware and resource data add a date and a time.
    WORD wVersion = 0xFFFF;
    WORD wDate = 0;
    WORD wTime = 0;
};

// A chip as the unit's identification named it; no id when it was not
// identified (the bridge's FLASH chip is identified only without firmware).
// The memories' entries, one a memory in the memory table's order.
struct ManifestMemories : std::array<ManifestMemory, kMemoryCount> {
    using std::array<ManifestMemory, kMemoryCount>::operator[];
    ManifestMemory& operator[](MemoryKind kind) { return (*this)[static_cast<std::size_t>(kind)]; }
    const ManifestMemory& operator[](MemoryKind kind) const {
        return (*this)[static_cast<std::size_t>(kind)];
    }
};

struct ManifestChip {
    std::optional<WORD> id;
    std::string strName;
};

struct UnitManifest {
    int nFormat = kUnitManifestFormat;
    // INQUIRY, as the unit answered it.
    std::string strVendor;
    std::string strProduct;
    std::string strRevision;
    bool bEmulatedEnclosure = false;  // the INQUIRY data carried the emulated mark
    // The bus as the storage stack reports it.
    int nBusType = 0;
    int nBusMajor = 0;
    int nBusMinor = 0;
    std::string strBusName;
    ManifestChip flashChip;
    ManifestChip spiChip;
    std::string strSerial;    // printable characters of SEEPROM(CPU)'s serial field
    std::string strUiSerial;  // the UI controller's information block, as shown
    int nUiState = -1;
    bool bUiDebugger = false;
    std::optional<std::array<BYTE, 16>> infoBlock;  // saved in kInfoBlockFile
    ManifestMemories memories{};
    // The bridge firmware's version string: its version word is not kept
    // where the unit runs it, the string is.
    std::string strFlashVersion;
};

// The files of a backup: those this manifest names (itself, the memories it
// holds, the information block), or with no manifest every name a backup
// can hold.
std::vector<std::string> BackupFileNames(const UnitManifest* pManifest);
// The entries of a backup directory its manifest does not name, sorted: a
// file beside a backup is vouched for by nobody.
std::vector<std::string> UnnamedBackupFiles(const std::string& strDirectory,
                                            const UnitManifest& manifest);

// The manifest as JSON text, as the backup writes it.
std::string FormatUnitManifest(const UnitManifest& manifest);

// The manifest of a backup directory; nullopt with a message naming the file
// and the field when it is missing, garbled or of another format.
std::optional<UnitManifest> ReadUnitManifest(const std::string& strDirectory,
                                             std::string& strError);

}  // namespace rf
