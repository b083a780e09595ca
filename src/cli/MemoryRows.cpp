#include "cli/Commands.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

std::array<MemoryRow, 5> MemoryRows(CFirmwareUpdate& update) {
    return {{{"flash", IDS_CLI_MEMORY_FLASH, update.m_romFlash, true},
             {"host", IDS_CLI_MEMORY_HOST, update.m_romHost, true},
             {"cpu", IDS_CLI_MEMORY_CPU, update.m_romCpu, false},
             {"ui", IDS_CLI_MEMORY_UI, update.m_romUI78K, true},
             {"resource", IDS_CLI_MEMORY_RESOURCE, update.m_romUIRSC, true}}};
}

}  // namespace rf
