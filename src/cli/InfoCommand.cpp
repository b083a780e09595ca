#include <algorithm>
#include <array>
#include <memory>
#include <ostream>
#include <vector>

#include "base/Json.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/JsonValues.h"
#include "cli/TextTable.h"
#include "images/ImageOrigin.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"
#include "update/ProductVersions.h"

namespace rf {

namespace {

// Where the compared images come from: the package or file that replaced
// carried images, else the carried set's origin.
std::pair<ImageOrigin, std::u16string> OriginOfImages(const CFirmwareUpdate& update) {
    std::pair<ImageOrigin, std::u16string> origin{CarriedOrigin(), u""};
    for (const CRomObject* pRom : {static_cast<const CRomObject*>(&update.m_romFlash),
                                   static_cast<const CRomObject*>(&update.m_romHost),
                                   static_cast<const CRomObject*>(&update.m_romUI78K),
                                   static_cast<const CRomObject*>(&update.m_romUIRSC)}) {
        if (pRom->IsLoaded() &&
            (pRom->m_origin == ImageOrigin::Package ||
             (pRom->m_origin == ImageOrigin::File && origin.first != ImageOrigin::Package))) {
            origin = {pRom->m_origin, pRom->m_strOriginPath};
        }
    }
    return origin;
}

// A version read from a memory that refused part of the read may be wrong:
// each such memory is named, and the command fails.
int ReportReadFaults(CFirmwareUpdate& update, std::ostream& err) {
    int nExit = kExitSuccess;
    for (const MemoryRow& row : MemoryRows(update)) {
        const ReadFault& fault = update.ReadFaultOf(row.rom);
        if (fault.kind != ReadFaultKind::None) {
            err << Utf16ToUtf8(LoadResString(row.nName) + u": " + DescribeReadFault(fault)) << '\n';
            nExit = kExitFailure;
        }
    }
    return nExit;
}

// The keys of one unit: its name and serial numbers, each memory's
// versions, the product versions and where the images come from.
void WriteUnitJson(CFirmwareUpdate& update, CJson& json) {
    CJson& device = json["device"] = CJson::object();
    device["name"] = OneSpaced(update.m_device.m_strProductName);
    device["serial"] = TextOrNull(update.m_romCpu.m_strSerialNo);
    device["ui_serial"] = TextOrNull(update.m_romUI78K.m_strUiSerialNo);
    CJson& memories = json["memories"] = CJson::array();
    for (const MemoryRow& row : MemoryRows(update)) {
        CJson& memory = memories.emplace_back(CJson::object());
        memory["memory"] = row.pszKey;
        // An image that is not loaded has no version, whatever the
        // dialog's field says.
        memory["image_version"] = ImageVersionValue(row.rom);
        WriteDeviceVersion(row.rom, memory);
        memory["update"] = row.bWritable && update.IsSelected(row.rom);
        memory["writable"] = row.bWritable;
        memory["image_origin"] =
            row.rom.IsLoaded() ? CJson(OriginName(row.rom.m_origin)) : CJson(nullptr);
        const ReadFault& fault = update.ReadFaultOf(row.rom);
        CJson& readFault = memory["read_fault"] = nullptr;
        if (fault.kind != ReadFaultKind::None) {
            readFault = {{"kind", ReadFaultKey(fault.kind)},
                         {"offset", fault.nOffset},
                         {"status", fault.nStatus}};
        }
    }
    json["product_version"] = {{"images", ProductVersionValue(ProductVersionWord(update, false))},
                               {"device", ProductVersionValue(ProductVersionWord(update, true))}};
    const auto [origin, path] = OriginOfImages(update);
    json["images"] = {{"origin", OriginName(origin)}, {"path", TextOrNull(path)}};
}

// One unit's block: its name and serial numbers, the table of memories,
// the product versions and where the images come from.
std::u16string UnitText(CFirmwareUpdate& update) {
    std::u16string text =
        LoadResString(IDS_CLI_DEVICE) + u": " + update.m_device.m_strProductName + u"\n";
    // A serial number the unit does not hold (a UI controller without its
    // information block) is no line at all.
    for (const auto& [nTitle, serial] :
         {std::pair{IDS_CLI_SERIAL, update.m_romCpu.m_strSerialNo},
          std::pair{IDS_CLI_UI_SERIAL, update.m_romUI78K.m_strUiSerialNo}}) {
        if (!serial.empty()) {
            text += LoadResString(nTitle) + u": " + serial + u"\n";
        }
    }
    TableRows rows{SplitTitles(LoadResString(IDS_CLI_COLUMNS))};
    for (const MemoryRow& row : MemoryRows(update)) {
        const std::u16string strUpdate =
            row.bWritable ? LoadResString(update.IsSelected(row.rom) ? IDS_CLI_YES : IDS_CLI_NO)
                          : u"-";
        // SEEPROM(CPU) is never written: no image of it is carried.
        rows.push_back({LoadResString(row.nName), row.bWritable ? ImageVersionCell(row.rom) : u"-",
                        DeviceVersionCell(row.rom), strUpdate});
    }
    text += u"\n" + FormatTable(rows, TerminalColumns());
    text += u"\n" + LoadResString(IDS_CLI_PRODUCT_IMAGES) + u": " +
            ProductVersionOf(update, false) + u"\n";
    text += LoadResString(IDS_CLI_PRODUCT_DEVICE) + u": " + ProductVersionOf(update, true) + u"\n";
    const auto [origin, path] = OriginOfImages(update);
    text += LoadResString(IDS_IMAGES_ORIGIN) + u": " + Widen(OriginName(origin)) +
            (path.empty() ? u"" : u" " + path) + u"\n";
    return text;
}

// Several units attached and none named: every one of them, each with the
// drive it is attached as, so that the next command can name it.
int ShowEveryUnit(CFirmwareUpdate& first, const std::vector<PhysicalDrive>& others,
                  const CliOptions& options, CommandStreams& streams) {
    IDeviceSystem& system = first.m_device.System();
    std::vector<std::unique_ptr<CFirmwareUpdate>> units;
    for (const PhysicalDrive& drive : others) {
        auto pUnit = std::make_unique<CFirmwareUpdate>(system, first.Options());
        pUnit->m_device.m_strPath = drive.strPath;
        if (!PrepareImages(*pUnit, options, streams.err)) {
            return kExitNothing;
        }
        // A unit gone since the search is passed over, as the search would.
        if (pUnit->m_device.Open(pUnit->m_device.m_strPath.c_str()) &&
            ReadFoundUnit(*pUnit, nullptr, streams.err)) {
            units.push_back(std::move(pUnit));
        }
    }
    std::vector<CFirmwareUpdate*> all = {&first};
    for (const auto& pUnit : units) {
        all.push_back(pUnit.get());
    }
    int nExit = kExitSuccess;
    CJson devices = CJson::array();
    std::u16string text;
    for (CFirmwareUpdate* pUnit : all) {
        const std::u16string drive = DriveNameOf(system, pUnit->m_device.m_strPath);
        if (options.bJson) {
            CJson& device = devices.emplace_back(CJson::object());
            device["drive"] = drive;
            WriteUnitJson(*pUnit, device);
        } else {
            text += (text.empty() ? u"" : u"\n") + LoadResString(IDS_CLI_DRIVE) + u": " + drive +
                    u"\n" + UnitText(*pUnit);
        }
        nExit = std::max(nExit, ReportReadFaults(*pUnit, streams.err));
        pUnit->m_device.Close();
    }
    if (options.bJson) {
        PrintDocument(streams, {{"devices", std::move(devices)}});
    } else {
        streams.out << Utf16ToUtf8(text);
    }
    return nExit;
}

}  // namespace

int ShowInfo(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams) {
    if (!PrepareImages(update, options, streams.err)) {
        return kExitNothing;
    }
    const UnitSearch search = SearchUnit(update, options, streams.err);
    // Found or not, the error stream has said why there is nothing to show.
    if (!search.bFound || !ReadFoundUnit(update, nullptr, streams.err)) {
        return kExitNothing;
    }
    if (search.others.empty()) {
        if (options.bJson) {
            CJson json = CJson::object();
            WriteUnitJson(update, json);
            PrintDocument(streams, json);
        } else {
            streams.out << Utf16ToUtf8(UnitText(update));
        }
        return ReportReadFaults(update, streams.err);
    }
    return ShowEveryUnit(update, search.others, options, streams);
}

}  // namespace rf
