#include <ostream>

#include "base/Environment.h"
#include "base/Json.h"
#include "base/Text.h"
#include "batch/WorkerLines.h"
#include "cli/Commands.h"
#include "cli/TerminalProgress.h"
#include "framework/Messages.h"
#include "framework/StringTable.h"
#include "framework/controls/ProgressCtrl.h"
#include "session/CliOptions.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

// Confirmation, the checks before the first write, the run and its message,
// as the dialog's button does them; the message id of the result, 0 when
// nothing was done.
UINT UpdateUnit(CFirmwareUpdate& update, CProgressCtrl& progress, CTerminalProgress& view) {
    if (!update.ConfirmSelection()) {
        return 0;
    }
    if (const UINT nRefused = update.CheckBeforeFirstWrite(); nRefused != 0) {
        ShowMessage(nRefused, MB_KIND_ERROR);
        return nRefused;
    }
    const UpdateResult result = update.Run(&progress, view);
    // The stage's bar ends before the result is shown.
    view.OnTextChanged(u"");
    CFirmwareUpdate::ShowResult(result);
    return result.nMessageId;
}

}  // namespace

int RunUpdateCommand(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams,
                     bool bTerminal, UINT* pMessage) {
    // A worker of "update --all" tells its parent how far it is.
    const CTerminalProgress::Form form =
        GetEnvironmentUtf8(kWorkerProgressVariable) ? CTerminalProgress::Form::WorkerLines
        : bTerminal && !options.bJson               ? CTerminalProgress::Form::InPlace
                                                    : CTerminalProgress::Form::Plain;
    CTerminalProgress view(streams.log, form);
    CProgressCtrl progress;
    progress.SetView(&view);
    if (!PrepareImages(update, options, streams.err)) {
        return kExitNothing;
    }
    UINT nMessage = 0;
    if (FindAndReadUnit(update, &progress, streams.err, options)) {
        nMessage = UpdateUnit(update, progress, view);
    }
    view.Finish();
    if (pMessage != nullptr) {
        *pMessage = nMessage;
    }

    const bool bSuccess =
        nMessage == IDS_UPDATE_COMPLETE || nMessage == IDS_UPDATE_COMPLETE_POWER_CYCLE;
    if (nMessage == IDS_ERR_DRIVE_IN_USE) {
        for (const std::u16string& what : update.m_device.m_volumeReport.inUse) {
            streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_VOLUMES_IN_USE) + what) << '\n';
        }
    }
    for (const std::u16string& what : update.m_device.m_volumeReport.unmounted) {
        streams.log << Utf16ToUtf8(LoadResString(IDS_CLI_UNMOUNTED) + what) << '\n';
    }
    if (options.bJson) {
        CJson json = CJson::object();
        json["result"] = bSuccess                                       ? "success"
                         : nMessage == IDS_ERR_TEST_IMAGES_ON_REAL_UNIT ? "refused"
                         : nMessage == 0                                ? "nothing"
                                                                        : "failure";
        json["message_id"] = nMessage;
        json["message"] = nMessage == 0 ? std::u16string() : LoadResString(nMessage);
        streams.out << JsonText(json) << '\n';
    }
    // A refused update wrote nothing.
    const bool bNothing = nMessage == 0 || nMessage == IDS_ERR_TEST_IMAGES_ON_REAL_UNIT;
    return bSuccess ? kExitSuccess : bNothing ? kExitNothing : kExitFailure;
}

}  // namespace rf
