#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/JsonValues.h"

#include <ostream>

#include "base/Json.h"
#include "base/Text.h"
#include "cli/TextTable.h"
#include "device/FindDevice.h"
#include "device/ProductTable.h"
#include "device/ScsiDevice.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// The verdicts as words, the same in every language.
struct VerdictWord {
    UINT nVerdict;
    const char* pszWord;
};
constexpr VerdictWord kVerdictWords[] = {
    {IDS_CLI_DRIVE_SUPPORTED, "supported"},
    {IDS_CLI_DRIVE_OTHER_BRAND, "supported_other_brand"},
    {IDS_CLI_DRIVE_ATA, "unsupported_ata"},
    {IDS_CLI_DRIVE_NOT_SUPPORTED, "unsupported"},
};

// A drive that is not one of the above could not be opened, whichever
// reason its message gives.
const char* VerdictWordOf(UINT nVerdict) {
    for (const VerdictWord& word : kVerdictWords) {
        if (word.nVerdict == nVerdict) {
            return word.pszWord;
        }
    }
    return "no_access";
}

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
        CJson list = CJson::array();
        for (const PhysicalDrive& drive : drives) {
            const UINT nVerdict = Verdict(system, drive, options.updater.bAllProducts);
            CJson& entry = list.emplace_back(CJson::object());
            entry["name"] = drive.strName;
            entry["bus"] = drive.bBusKnown
                               ? CJson(FormatBusName(drive.nBusType, drive.nBusMajorVersion,
                                                     drive.nBusMinorVersion))
                               : CJson(nullptr);
            entry["product"] =
                drive.bInquiryKnown ? OneSpaced(drive.strVendor + " " + drive.strProduct) : nullptr;
            entry["revision"] = drive.bInquiryKnown ? OneSpaced(drive.strRevision) : nullptr;
            entry["supported"] =
                nVerdict == IDS_CLI_DRIVE_SUPPORTED || nVerdict == IDS_CLI_DRIVE_OTHER_BRAND;
            entry["status"] = VerdictWordOf(nVerdict);
            entry["status_text"] = LoadResString(nVerdict);
        }
        PrintDocument(streams, {{"drives", std::move(list)}});
        return 0;
    }
    if (drives.empty()) {
        out << Utf16ToUtf8(LoadResString(IDS_CLI_NO_DRIVES)) << '\n';
        return 0;
    }
    out << Utf16ToUtf8(LoadResString(IDS_CLI_DRIVES_HEADER)) << '\n';
    TableRows rows{SplitTitles(LoadResString(IDS_CLI_LIST_COLUMNS))};
    for (const PhysicalDrive& drive : drives) {
        rows.push_back(
            {drive.strName,
             drive.bBusKnown
                 ? FormatBusName(drive.nBusType, drive.nBusMajorVersion, drive.nBusMinorVersion)
                 : u"-",
             drive.bInquiryKnown ? Widen(drive.strVendor + " " + drive.strProduct) : u"-",
             drive.bInquiryKnown ? Widen(drive.strRevision) : u"-",
             LoadResString(Verdict(system, drive, options.updater.bAllProducts))});
    }
    out << Utf16ToUtf8(FormatTable(rows, TerminalColumns()));
    return 0;
}

}  // namespace rf
