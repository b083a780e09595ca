#include <utility>

#include "cli/Commands.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

template <std::size_t... nRow>
std::array<MemoryRow, kMemoryCount> RowsOf(CFirmwareUpdate& update, std::index_sequence<nRow...>) {
    return {{{Memories()[nRow].pszKey, Memories()[nRow].nNameId,
              update.RomOf(Memories()[nRow].kind), HasImage(Memories()[nRow])}...}};
}

}  // namespace

std::array<MemoryRow, 5> MemoryRows(CFirmwareUpdate& update) {
    return RowsOf(update, std::make_index_sequence<kMemoryCount>());
}

}  // namespace rf
