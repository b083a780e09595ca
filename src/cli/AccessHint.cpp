#include <ostream>

#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/Commands.h"
#include "device/DevicePort.h"
#include "device/FindDevice.h"

namespace rf {

void ReportDrivesWithoutAccess(IDeviceSystem& system, std::ostream& err) {
    // The search passes over a drive it cannot open without a word; when no
    // enclosure was found, a candidate it could not open is the likely
    // reason, and the user can do something about it.
    for (const PhysicalDrive& drive : system.ListPhysicalDrives()) {
        if (drive.bBusKnown && (drive.nBusType == BusTypeAta || drive.nBusType == BusTypeAtapi)) {
            continue;
        }
        if (!MayBeSupported(drive) || system.Open(drive.strPath) != nullptr) {
            continue;
        }
        err << Utf16ToUtf8(drive.strName + u": " + LoadResString(DriveNotOpenedMessage())) << '\n';
    }
}

}  // namespace rf
