#include <optional>
#include <ostream>

#include "base/Environment.h"
#include "base/InterruptGuard.h"
#include "base/Json.h"
#include "base/Text.h"
#include "batch/WorkerLines.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/TerminalProgress.h"
#include "device/FrontEndPump.h"
#include "framework/controls/ProgressCtrl.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

// The terminal as the update's front end: stages on the progress view,
// questions and results as the terminal's message boxes print them. From
// the first write to the result, an interrupt or a closed terminal is only
// noted: the person is told once that the update ends by itself.
class CTerminalFrontEnd final : public CMessageBoxFrontEnd {
public:
    CTerminalFrontEnd(CTerminalProgress& view, std::ostream& err, const StateSaver& saveState)
        : m_view(view), m_err(err), m_saveState(saveState) {}

    void OnStatus(UINT nTextId) override { m_view.OnStatus(nTextId); }

    void OnRunStarting() override {
        m_guard.emplace();
        m_scopedPump.emplace(m_noticePump);
    }

    void ShowResult(const UpdateResult& result) override {
        // The stage's bar ends before the result is shown.
        if (result.Succeeded()) {
            m_view.CompleteStage();
        }
        m_view.OnTextChanged(u"");
        // What the terminal reports must already be true of the emulated
        // enclosure kept on the disk.
        if (result.eOutcome == UpdateOutcome::Ran && m_saveState && !m_saveState()) {
            m_bStateLost = true;
        }
        TellOfRequest();
        UpdateResult shown = result;
        shown.nMessageId = TerminalTextId(result.nMessageId);
        CMessageBoxFrontEnd::ShowResult(shown);
    }

    bool StateLost() const { return m_bStateLost; }
    // A question was answered no, and so nothing was done.
    bool Declined() const { return m_bDeclined; }

    bool Ask(UINT nQuestionId) override {
        const bool bYes = CMessageBoxFrontEnd::Ask(nQuestionId);
        m_bDeclined = m_bDeclined || !bYes;
        return bYes;
    }

private:
    // Between the device's commands: the first request to end is answered
    // here, outside the signal handler.
    class CNoticePump final : public IFrontEndPump {
    public:
        explicit CNoticePump(CTerminalFrontEnd& frontEnd)
            : m_frontEnd(frontEnd), m_previous(CurrentFrontEndPump()) {}
        void Pump() override {
            m_frontEnd.TellOfRequest();
            m_previous.Pump();
        }

    private:
        CTerminalFrontEnd& m_frontEnd;
        IFrontEndPump& m_previous;
    };

    void TellOfRequest() {
        if (m_guard && m_guard->TakeNewRequest()) {
            m_view.Finish();
            m_err << Utf16ToUtf8(LoadResString(IDS_CLI_UPDATE_UNDER_WAY)) << std::endl;
        }
    }

    CTerminalProgress& m_view;
    std::ostream& m_err;
    const StateSaver& m_saveState;
    CNoticePump m_noticePump{*this};
    std::optional<CInterruptGuard> m_guard;
    std::optional<CScopedFrontEndPump> m_scopedPump;
    bool m_bStateLost = false;
    bool m_bDeclined = false;
};

}  // namespace

int RunUpdateCommand(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams,
                     bool bTerminal, UINT* pMessage, const StateSaver& saveState) {
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
    UpdateResult result;
    bool bStateLost = false;
    bool bDeclined = false;
    if (FindAndReadUnit(update, &progress, streams.err, options)) {
        CTerminalFrontEnd frontEnd(view, streams.err, saveState);
        result = update.RunChecked(&progress, frontEnd);
        bStateLost = frontEnd.StateLost();
        bDeclined = frontEnd.Declined();
    }
    view.Finish();
    const UINT nMessage = result.nMessageId;
    if (pMessage != nullptr) {
        *pMessage = nMessage == 0 && bDeclined ? IDS_JSON_DECLINED : nMessage;
    }

    const bool bSuccess = result.Succeeded() && !bStateLost;
    if (nMessage == IDS_ERR_DRIVE_IN_USE) {
        for (const std::u16string& what : update.m_device.m_volumeReport.inUse) {
            streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_VOLUMES_IN_USE) + what) << '\n';
        }
    }
    for (const std::u16string& what : update.m_device.m_volumeReport.unmounted) {
        streams.log << Utf16ToUtf8(LoadResString(IDS_CLI_UNMOUNTED) + what) << '\n';
    }
    // A refused update wrote nothing; volumes in use refuse it too, unless
    // others of the unit's were taken offline before, which is a change.
    const bool bNothing =
        result.eOutcome != UpdateOutcome::Ran &&
        (nMessage != IDS_ERR_DRIVE_IN_USE || update.m_device.m_volumeReport.unmounted.empty());
    if (options.bJson) {
        CJson json = CJson::object();
        json["result"] = bSuccess        ? "success"
                         : nMessage == 0 ? "nothing"
                         : bNothing      ? "refused"
                                         : "failure";
        if (nMessage != 0) {
            SetMessage(json, nMessage, result.Text());
        } else if (bDeclined) {
            SetMessage(json, IDS_JSON_DECLINED, LoadResString(IDS_JSON_DECLINED));
        } else if (const auto noted = NotedMessage(streams.err)) {
            // Nothing was done, and the search said why.
            SetMessage(json, noted->nMessageId, noted->text);
        } else {
            SetMessage(json, IDS_JSON_NOTHING_DONE, LoadResString(IDS_JSON_NOTHING_DONE));
        }
        PrintDocument(streams, json);
    }
    return bSuccess ? kExitSuccess : bNothing ? kExitNothing : kExitFailure;
}

}  // namespace rf
