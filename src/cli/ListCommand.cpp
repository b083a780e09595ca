#include "cli/ListCommand.h"

#include <ostream>

#include "app/StringTable.h"
#include "app/Text.h"
#include "device/FindDevice.h"
#include "device/ProductTable.h"
#include "device/ScsiDevice.h"

namespace rf {

namespace {

UINT Verdict(IDeviceSystem& system, const PhysicalDrive& drive) {
    if (drive.bBusKnown && (drive.nBusType == BusTypeAta || drive.nBusType == BusTypeAtapi)) {
        return IDS_CLI_DRIVE_ATA;
    }
    if (!MayBeSupported(drive)) {
        return IDS_CLI_DRIVE_NOT_SUPPORTED;
    }
    CScsiDevice device(system);
    device.m_strPath = drive.strPath;
    const bool bSupported = device.Open(drive.strPath.c_str());
    if (!bSupported && !device.IsOpen()) {
        return IDS_CLI_DRIVE_NOT_OPENED;
    }
    // Closing sends nothing: the drive is only looked at.
    device.Close();
    if (!bSupported) {
        return IDS_CLI_DRIVE_NOT_SUPPORTED;
    }
    return device.m_nProductClass == 2 ? IDS_CLI_DRIVE_OTHER_BRAND : IDS_CLI_DRIVE_SUPPORTED;
}

}  // namespace

int ListDrives(IDeviceSystem& system, std::ostream& out) {
    const std::vector<PhysicalDrive> drives = system.ListPhysicalDrives();
    if (drives.empty()) {
        out << Utf16ToUtf8(LoadResString(IDS_CLI_NO_DRIVES)) << '\n';
        return 0;
    }
    out << Utf16ToUtf8(LoadResString(IDS_CLI_DRIVES_HEADER)) << '\n';
    for (const PhysicalDrive& drive : drives) {
        std::u16string line = u"  " + drive.strName;
        if (drive.bBusKnown) {
            line += u"  " +
                    FormatBusName(drive.nBusType, drive.nBusMajorVersion, drive.nBusMinorVersion);
        }
        if (drive.bInquiryKnown) {
            line += u"  " + Widen(drive.strVendor + " " + drive.strProduct) + u"  " +
                    Widen(drive.strRevision);
        }
        line += u"  " + LoadResString(Verdict(system, drive));
        out << Utf16ToUtf8(line) << '\n';
    }
    return 0;
}

}  // namespace rf
