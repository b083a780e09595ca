#include "device/FindDevice.h"
#include "text/StringTable.h"

namespace rf {

// The enclosure's node belongs to root; the user at the seat reaches it
// through reflasher-broker.
UINT DriveNotOpenedMessage() {
    return IDS_CLI_DRIVE_NOT_OPENED;
}

}  // namespace rf
