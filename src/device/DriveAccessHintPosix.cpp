#include "device/FindDevice.h"
#include "framework/StringTable.h"

namespace rf {

// The enclosure's node belongs to root unless the udev rule gives it to the
// user at the seat.
UINT DriveNotOpenedMessage() {
    return IDS_CLI_DRIVE_NOT_OPENED;
}

}  // namespace rf
