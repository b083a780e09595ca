#include <ostream>

#include "base/Text.h"
#include "cli/Commands.h"
#include "device/DevicePort.h"
#include "device/FindDevice.h"
#include "text/StringTable.h"

namespace rf {

void ReportDrivesWithoutAccess(IDeviceSystem& system, bool bAllProducts, std::ostream& err) {
    // When no enclosure was found, a candidate that could not be opened is
    // the likely reason, and the user can do something about it.
    for (const std::u16string& strName : CandidateDrivesWithoutAccess(system, bAllProducts)) {
        err << Utf16ToUtf8(strName + u": " + LoadResString(DriveNotOpenedMessage())) << '\n';
    }
}

}  // namespace rf
