// Several supported enclosures attached and none named: the commands that
// work on one unit name them all instead of guessing, so that the person
// can choose.

#include <algorithm>
#include <array>
#include <ostream>

#include "base/Text.h"
#include "base/TextWidth.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/JsonValues.h"
#include "device/FindDevice.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"
#include "update/ProductVersions.h"

namespace rf {

std::u16string ProductVersionOf(CFirmwareUpdate& update, bool bDevice) {
    return FormatProductVersion(ProductVersionWord(update, bDevice));
}

std::u16string DriveNameOf(IDeviceSystem& system, const std::u16string& path) {
    for (const PhysicalDrive& drive : system.ListPhysicalDrives()) {
        if (drive.strPath == path) {
            return drive.strName;
        }
    }
    return path;
}

void ReportSeveralUnits(CFirmwareUpdate& update, const std::vector<PhysicalDrive>& others,
                        std::ostream& err) {
    struct Row {
        std::u16string drive;
        std::u16string serial;
        std::u16string version;
    };
    // Only versions are read: the units' front panels are not even woken.
    auto rowOf = [](CFirmwareUpdate& unit, const std::u16string& drive) {
        unit.ReadVersions(nullptr);
        return Row{drive, unit.m_romCpu.m_strSerialNo, ProductVersionOf(unit, true)};
    };
    IDeviceSystem& system = update.m_device.System();
    std::vector<Row> rows = {rowOf(update, DriveNameOf(system, update.m_device.m_strPath))};
    for (const PhysicalDrive& drive : others) {
        CFirmwareUpdate other(system);
        other.m_device.m_strPath = drive.strPath;
        if (other.m_device.Open(other.m_device.m_strPath.c_str())) {
            rows.push_back(rowOf(other, drive.strName));
        } else {
            rows.push_back(Row{drive.strName, u"", LoadResString(DriveNotOpenedMessage())});
        }
        other.m_device.Close();
    }
    const Row titles{LoadResString(IDS_CLI_DRIVE), LoadResString(IDS_CLI_SERIAL),
                     LoadResString(IDS_CLI_PRODUCT_DEVICE)};
    std::size_t nDriveWidth = DisplayWidth(titles.drive);
    std::size_t nSerialWidth = DisplayWidth(titles.serial);
    for (const Row& row : rows) {
        nDriveWidth = std::max(nDriveWidth, DisplayWidth(row.drive));
        nSerialWidth = std::max(nSerialWidth, DisplayWidth(row.serial));
    }
    std::u16string text = LoadResString(IDS_CLI_SEVERAL_DEVICES) + u"\n";
    const auto line = [&](const Row& row) {
        return u"  " + PadToWidth(row.drive, nDriveWidth + 2) +
               PadToWidth(row.serial, nSerialWidth + 2) + row.version + u"\n";
    };
    text += line(titles);
    for (const Row& row : rows) {
        text += line(row);
    }
    err << Utf16ToUtf8(text);
    NoteMessage(err, IDS_CLI_SEVERAL_DEVICES, LoadResString(IDS_CLI_SEVERAL_DEVICES));
}

}  // namespace rf
