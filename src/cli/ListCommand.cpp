#include "cli/Commands.h"

#include <ostream>

#include "base/Text.h"
#include "cli/Json.h"
#include "device/FindDevice.h"
#include "device/ProductTable.h"
#include "device/ScsiDevice.h"
#include "framework/StringTable.h"
#include "session/CliOptions.h"

namespace rf {

namespace {

UINT Verdict(IDeviceSystem& system, const PhysicalDrive& drive, bool bAllProducts) {
    if (drive.bBusKnown && (drive.nBusType == BusTypeAta || drive.nBusType == BusTypeAtapi)) {
        return IDS_CLI_DRIVE_ATA;
    }
    if (!MayBeSupported(drive, bAllProducts)) {
        return IDS_CLI_DRIVE_NOT_SUPPORTED;
    }
    CScsiDevice device(system);
    device.m_bAllProducts = bAllProducts;
    device.m_strPath = drive.strPath;
    const bool bSupported = device.Open(drive.strPath.c_str());
    if (!bSupported && !device.IsOpen()) {
        return DriveNotOpenedMessage();
    }
    // Closing sends nothing: the drive is only looked at.
    device.Close();
    if (!bSupported) {
        return IDS_CLI_DRIVE_NOT_SUPPORTED;
    }
    return device.m_nProductClass == 2 ? IDS_CLI_DRIVE_OTHER_BRAND : IDS_CLI_DRIVE_SUPPORTED;
}

}  // namespace

int ListDrives(IDeviceSystem& system, const CliOptions& options, CommandStreams& streams) {
    std::ostream& out = streams.out;
    const std::vector<PhysicalDrive> drives = system.ListPhysicalDrives();
    if (options.bJson) {
        CJsonWriter json;
        json.BeginObject().Key("drives").BeginArray();
        for (const PhysicalDrive& drive : drives) {
            const UINT nVerdict = Verdict(system, drive, options.updater.bAllProducts);
            json.BeginObject();
            json.Key("name").String(drive.strName);
            json.Key("bus").String(
                drive.bBusKnown
                    ? FormatBusName(drive.nBusType, drive.nBusMajorVersion, drive.nBusMinorVersion)
                    : std::u16string());
            json.Key("product").String(drive.strVendor + " " + drive.strProduct);
            json.Key("revision").String(drive.strRevision);
            json.Key("supported")
                .Bool(nVerdict == IDS_CLI_DRIVE_SUPPORTED || nVerdict == IDS_CLI_DRIVE_OTHER_BRAND);
            json.Key("status").String(LoadResString(nVerdict));
            json.EndObject();
        }
        json.EndArray().EndObject();
        out << json.Text() << '\n';
        return 0;
    }
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
        line += u"  " + LoadResString(Verdict(system, drive, options.updater.bAllProducts));
        out << Utf16ToUtf8(line) << '\n';
    }
    return 0;
}

}  // namespace rf
