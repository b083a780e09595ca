#include <limits>
#include <ostream>

#include "app/CommandLine.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/DialogSession.h"
#include "cli/Json.h"
#include "cli/TerminalProgress.h"

namespace rf {

namespace {

constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

// Image files to load as drops on the full dialog's image fields.
CRomObject* RomForKind(CMainDlg& dialog, const std::string& strKind) {
    if (strKind == "flash") {
        return &dialog.m_romFlash;
    }
    if (strKind == "host") {
        return &dialog.m_romHost;
    }
    if (strKind == "ui") {
        return &dialog.m_romUI78K;
    }
    if (strKind == "resource") {
        return &dialog.m_romUIRSC;
    }
    return nullptr;
}

}  // namespace

bool LoadRequestedFiles(CMainDlg& dialog, const CliOptions& options, std::ostream& err) {
    for (const auto& [strKind, path] : options.loads) {
        CRomObject* pRom = RomForKind(dialog, strKind);
        const std::u16string paths[] = {path};
        if (pRom == nullptr || !pRom->m_editRomVersion.OnDropFiles(paths) || !pRom->IsLoaded()) {
            err << Utf16ToUtf8(LoadResString(IDS_CLI_LOAD_FAILED)) << strKind << "=" << Utf16ToUtf8(path) << '\n';
            return false;
        }
    }
    return true;
}

int RunUpdateCommand(CDialogSession& session, const CliOptions& options, CommandStreams& streams, bool bTerminal) {
    CMainDlg& dialog = session.Dialog();
    CTerminalProgress progress(streams.log, bTerminal && !options.bJson);
    dialog.m_staticStatus.SetView(&progress);
    dialog.m_progress.SetView(&progress);

    // The update starts by itself once the device has been found and read.
    theCmdInfo.m_bAutoUpdate = true;
    session.Open();
    if (!LoadRequestedFiles(dialog, options, streams.err)) {
        return kExitNothing;
    }
    bool bDone = session.RunUntil([&] { return session.updateResult.has_value(); }, kSearchMilliseconds);
    if (!bDone && session.bDeviceFound) {
        bDone = session.RunUntil([&] { return session.updateResult.has_value(); }, kNoLimit);
    }
    progress.Finish();
    dialog.m_staticStatus.SetView(nullptr);
    dialog.m_progress.SetView(nullptr);

    const UINT nMessage = session.updateResult.value_or(0);
    const bool bSuccess = nMessage == IDS_UPDATE_COMPLETE || nMessage == IDS_UPDATE_COMPLETE_POWER_CYCLE;
    if (!bDone) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_NO_DEVICE)) << '\n';
        ReportDrivesWithoutAccess(dialog.m_device.System(), streams.err);
    }
    if (nMessage == IDS_ERR_DRIVE_IN_USE) {
        for (const std::u16string& what : dialog.m_device.m_volumeReport.inUse) {
            streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_VOLUMES_IN_USE) + what) << '\n';
        }
    }
    for (const std::u16string& what : dialog.m_device.m_volumeReport.unmounted) {
        streams.log << Utf16ToUtf8(LoadResString(IDS_CLI_UNMOUNTED) + what) << '\n';
    }
    if (options.bJson) {
        CJsonWriter json;
        json.BeginObject();
        json.Key("result").String(bSuccess                                     ? "success"
                                  : nMessage == IDS_ERR_TEST_IMAGES_ON_REAL_UNIT ? "refused"
                                  : nMessage == 0                                ? "nothing"
                                                                                 : "failure");
        json.Key("message_id").Number(nMessage);
        json.Key("message").String(nMessage == 0 ? std::u16string() : LoadResString(nMessage));
        json.EndObject();
        streams.out << json.Text() << '\n';
    }
    // A refused update wrote nothing.
    const bool bNothing = nMessage == 0 || nMessage == IDS_ERR_TEST_IMAGES_ON_REAL_UNIT;
    return bSuccess ? kExitSuccess : bNothing ? kExitNothing : kExitFailure;
}

}  // namespace rf
