// Several supported enclosures attached and none named: the commands that
// work on one unit name them all instead of guessing, so that the person
// can choose.

#include <algorithm>
#include <array>
#include <ostream>

#include "base/Text.h"
#include "base/TextWidth.h"
#include "cli/Commands.h"
#include "device/FindDevice.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"
#include "update/ProductVersions.h"

namespace rf {

namespace {

// The shipped combinations are listed by the short versions ("0027"); the
// vendor's longer texts begin with them ("0029 (2013/11/12 17:28:04)"), or
// for the bridge with the same number written "0.27".
std::u16string ShortVersion(const std::u16string& text) {
    std::u16string head = text.substr(0, text.find(u' '));
    const std::size_t nDot = head.find(u'.');
    if (nDot == std::u16string::npos || nDot == 0 || nDot > 2 || head.size() - nDot - 1 != 2) {
        return head;
    }
    return std::u16string(2 - nDot, u'0') + head.substr(0, nDot) + head.substr(nDot + 1);
}

}  // namespace

std::u16string ProductVersionOf(CFirmwareUpdate& update, bool bDevice) {
    const std::array<CRomObject*, kImageMemoryCount> roms = update.Writable();
    std::array<std::u16string, kImageMemoryCount> versions;
    for (std::size_t i = 0; i < roms.size(); ++i) {
        versions[i] =
            ShortVersion(bDevice ? roms[i]->m_strDeviceVersion : roms[i]->m_strRomVersion);
    }
    return FormatProductVersion(LookUpProductVersion(versions));
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
}

}  // namespace rf
