#pragma once

// The unit's five memories, each told once: the key that names it (in
// packages, on the command line, in JSON and in a backup's manifest), its
// name for people, the file of its image in a firmware directory and the
// file it is kept in by a backup, where an update writes it in turn, what a
// backup reads of it, and where its format keeps its mark and its version.
// Everything that walks the memories reads this table.

#include <array>
#include <cstddef>
#include <iterator>
#include <span>
#include <string_view>

#include "base/Types.h"

namespace rf {

// In the order the unit's memories are shown, read and listed in a backup's
// manifest; a value is the memory's row in Memories().
enum class MemoryKind : std::size_t { Flash, Host, Cpu, Ui, Resource };
inline constexpr std::size_t kMemoryCount = 5;
inline constexpr std::size_t kImageMemoryCount = 4;

struct MemoryKindInfo {
    MemoryKind kind;
    const char* pszKey;  // "flash", "host", "cpu", "ui", "resource"
    UINT nNameId;        // its name in the string table
    // The program carries and writes images only of the memories with an
    // image file name; SEEPROM(CPU) holds the unit's own data and is only
    // read.
    const char* pszFileName;    // "bridge.bin", ...; null: no image
    const char* pszBackupFile;  // null: a backup cannot read it back
    int nWriteOrder;            // its turn in an update; -1 for no image
    UINT nCarriedId;            // IDR_BRIDGE_FIRMWARE, ...; 0 for no image
    UINT nBufferSize;           // the image object's buffer
    // The largest image the memory itself takes. The UI controller's flash
    // is smaller than its image object's buffer; the FLASH-ROM and the SPI
    // flash take what their chip holds, which only the unit tells.
    UINT nLargestImage;
    // Bytes a backup reads from address 0; 0 when the unit's chip tells.
    UINT nBackupSize;
    // The format's mark and its little-endian version word.
    std::size_t nMarkOffset;
    std::string_view mark;
    std::size_t nVersionOffset;
    // The version word is followed by the packed date and time of its build.
    bool bDatedVersion;
};

// Every memory, in the order of MemoryKind.
std::span<const MemoryKindInfo, kMemoryCount> Memories();
const MemoryKindInfo& MemoryKindOf(MemoryKind kind);
inline bool HasImage(const MemoryKindInfo& info) {
    return info.pszFileName != nullptr;
}

// The memories the program carries images of, in the order an update
// writes them: host, flash, resource, ui.
class ImageMemoryRange {
public:
    class Iterator {
    public:
        explicit Iterator(const MemoryKindInfo* const* ppAt) : m_ppAt(ppAt) {}
        const MemoryKindInfo& operator*() const { return **m_ppAt; }
        Iterator& operator++() {
            ++m_ppAt;
            return *this;
        }
        bool operator==(const Iterator&) const = default;

    private:
        const MemoryKindInfo* const* m_ppAt;
    };
    explicit ImageMemoryRange(std::span<const MemoryKindInfo* const, kImageMemoryCount> order)
        : m_order(order) {}
    Iterator begin() const { return Iterator(m_order.data()); }
    Iterator end() const { return Iterator(m_order.data() + m_order.size()); }

private:
    std::span<const MemoryKindInfo* const, kImageMemoryCount> m_order;
};
ImageMemoryRange MemoryKinds();
// The memory of an image with the key; null when no memory that takes an
// image has it.
const MemoryKindInfo* FindMemoryKind(std::string_view key);

}  // namespace rf
