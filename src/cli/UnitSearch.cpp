// What every command that works on the enclosure does first, as the window
// does when it opens: the images the options name, their version texts,
// the device searched for once a second for a bounded time, then read.

#include <fstream>
#include <ostream>

#include "base/Clock.h"
#include "base/FilePath.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "device/FindDevice.h"
#include "framework/controls/ProgressCtrl.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"
#include "update/PackageImages.h"
#include "update/UnitChoice.h"

namespace rf {

namespace {

constexpr DWORD kSearchPeriodMilliseconds = 1000;

}  // namespace

bool PrepareImages(CFirmwareUpdate& update, const CliOptions& options, std::ostream& err) {
    update.LoadOptionImages();
    // A package is checked whole before any device is touched.
    if (options.firmware) {
        PackageError error;
        if (!LoadPackageImages(update, Utf8ToUtf16(*options.firmware), error)) {
            err << Utf16ToUtf8(DescribePackageError(error)) << '\n';
            return false;
        }
    }
    update.RefreshImages();
    // Image files loaded as a drop on the full dialog's image fields would.
    for (const auto& [strKind, path] : options.loads) {
        const MemoryKindInfo* pKind = FindMemoryKind(strKind);
        if (pKind == nullptr) {
            err << Utf16ToUtf8(LoadResString(IDS_CLI_LOAD_NEEDS_KIND)) << strKind << "="
                << Utf16ToUtf8(path) << '\n';
            return false;
        }
        if (!update.LoadImageFile(pKind->kind, path)) {
            // The system's reason when the file itself cannot be read; the
            // image's own faults were told by the message box.
            std::ifstream file(PathFromUtf16(path), std::ios::binary);
            err << Utf16ToUtf8(LoadResString(IDS_CLI_LOAD_FAILED)) << strKind << "="
                << Utf16ToUtf8(path) << (file ? "" : ": " + LastFileErrorText()) << '\n';
            return false;
        }
    }
    return true;
}

UnitSearch SearchUnit(CFirmwareUpdate& update, const CliOptions& options, std::ostream& err) {
    auto search = [&] {
        return (options.device ? SearchNamedDevice(update.m_device, *options.device)
                               : SearchDevice(update.m_device)) == DeviceChange::Found;
    };
    const std::uint64_t nStart = GetTickCount64();
    UnitSearch result;
    result.bFound = search();
    while (!result.bFound && GetTickCount64() - nStart < kSearchMilliseconds) {
        Sleep(kSearchPeriodMilliseconds);
        result.bFound = search();
    }
    if (!result.bFound) {
        if (options.device) {
            PrintMessage(err, IDS_CLI_NO_SUCH_DEVICE, *options.device);
        } else {
            PrintMessage(err, IDS_CLI_NO_DEVICE);
        }
        ReportDrivesWithoutAccess(update.m_device.System(), update.m_device.m_bAllProducts, err);
        return result;
    }
    if (!options.device) {
        result.others = OtherSupportedDrives(update.m_device);
    }
    return result;
}

bool ReadFoundUnit(CFirmwareUpdate& update, CProgressCtrl* pProgress, std::ostream& err) {
    if (!update.ReadUnit(pProgress)) {
        PrintMessage(err, IDS_CLI_NO_DEVICE);
        ReportDrivesWithoutAccess(update.m_device.System(), update.m_device.m_bAllProducts, err);
        return false;
    }
    update.RefreshSelection();
    return true;
}

bool FindAndReadUnit(CFirmwareUpdate& update, CProgressCtrl* pProgress, std::ostream& err,
                     const CliOptions& options) {
    const UnitSearch search = SearchUnit(update, options, err);
    if (!search.bFound) {
        return false;
    }
    if (!search.others.empty()) {
        ReportSeveralUnits(update, search.others, err);
        update.m_device.Close();
        return false;
    }
    return ReadFoundUnit(update, pProgress, err);
}

}  // namespace rf
