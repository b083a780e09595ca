#include "device/FindDevice.h"
#include "text/StringTable.h"

namespace rf {

// Physical drives open for reading and writing to administrators only.
UINT DriveNotOpenedMessage() {
    return IDS_CLI_DRIVE_NOT_OPENED_ADMIN;
}

}  // namespace rf
