// How "update --all" reports its units when they have ended: the summary,
// the JSON and the exit status, all from one reading of each unit's end.

#include <algorithm>
#include <cstdio>

#include "base/ExitStatus.h"
#include "base/Json.h"
#include "base/Text.h"
#include "base/TextWidth.h"
#include "cli/JsonReply.h"
#include "cli/JsonValues.h"
#include "cli/TextTable.h"
#include "cli/UpdateAll.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// A text for one table cell: a worker's output may hold anything, and
// neither a line break nor a control sequence may reach the terminal.
std::u16string CellText(std::u16string_view text) {
    std::u16string cell;
    for (const char16_t c : text) {
        const bool bControl = c < 0x20 || c == 0x7F;
        if (!bControl) {
            cell.push_back(c);
        } else if (!cell.empty() && cell.back() != u' ') {
            cell.push_back(u' ');
        }
    }
    while (!cell.empty() && cell.back() == u' ') {
        cell.pop_back();
    }
    return cell;
}

std::u16string LastText(const WorkerState& state) {
    return state.textLines.empty() ? std::u16string()
                                   : CellText(Utf8ToUtf16(state.textLines.back()));
}

UnitOutcome ReportedOutcome(const WorkerState& state) {
    const WorkerResult& result = *state.result;
    UnitOutcome outcome;
    outcome.nMessageId = result.nMessageId;
    outcome.message = result.nMessageId == 0 ? std::u16string() : LoadResString(result.nMessageId);
    if (outcome.message.empty()) {
        // Nothing was done, and the worker said why ("not found"...).
        outcome.message = LastText(state);
    }
    const bool bComplete = result.nMessageId == IDS_UPDATE_COMPLETE ||
                           result.nMessageId == IDS_UPDATE_COMPLETE_POWER_CYCLE;
    // Success needs both the word and the message: a garbled result is
    // never taken for a finished update.
    if (result.strResult == "success" && bComplete) {
        outcome.kind = UnitOutcome::Kind::Success;
        outcome.pszResult = "success";
    } else if ((result.strResult == "nothing" || result.strResult == "refused") && !bComplete) {
        outcome.kind = UnitOutcome::Kind::Nothing;
        outcome.pszResult = result.strResult == "nothing" ? "nothing" : "refused";
    }
    return outcome;
}

}  // namespace

UnitOutcome OutcomeOf(const WorkerState& state) {
    UnitOutcome outcome;
    switch (state.end) {
        case WorkerEnd::Reported:
            return ReportedOutcome(state);
        case WorkerEnd::NoResult: {
            outcome.nMessageId = IDS_BATCH_WORKER_NO_RESULT;
            outcome.message = LoadResString(IDS_BATCH_WORKER_NO_RESULT) +
                              Utf8ToUtf16(std::to_string(state.nExitStatus));
            const std::u16string last = LastText(state);
            if (!last.empty()) {
                outcome.message += u" (" + last + u")";
            }
            return outcome;
        }
        case WorkerEnd::Silent:
            outcome.nMessageId = IDS_BATCH_WORKER_SILENT;
            break;
        case WorkerEnd::NotStarted:
        case WorkerEnd::Running:
            outcome.nMessageId = IDS_BATCH_WORKER_NOT_STARTED;
            break;
    }
    outcome.message = LoadResString(outcome.nMessageId);
    return outcome;
}

std::u16string FormatSummary(const std::vector<BatchUnit>& units,
                             const std::vector<WorkerState>& states) {
    std::vector<std::vector<std::u16string>> rows{
        {LoadResString(IDS_CLI_DRIVE), LoadResString(IDS_CLI_SERIAL),
         LoadResString(IDS_BATCH_RESULT), LoadResString(IDS_BATCH_DURATION),
         LoadResString(IDS_BATCH_MESSAGE)}};
    for (std::size_t i = 0; i < units.size() && i < states.size(); ++i) {
        const UnitOutcome outcome = OutcomeOf(states[i]);
        const UINT nResult = outcome.kind == UnitOutcome::Kind::Success   ? IDS_BATCH_SUCCESS
                             : outcome.kind == UnitOutcome::Kind::Nothing ? IDS_BATCH_NOTHING
                                                                          : IDS_BATCH_FAILURE;
        char szDuration[32];
        std::snprintf(szDuration, sizeof(szDuration), "%.1f s",
                      static_cast<double>(states[i].duration.count()) / 1000.0);
        rows.push_back({CellText(units[i].strDrive), CellText(units[i].strSerial),
                        LoadResString(nResult), Utf8ToUtf16(szDuration),
                        CellText(outcome.message)});
    }
    return FormatTable(rows, TerminalColumns(), {3});
}

CJson UnitsJson(const std::vector<BatchUnit>& units, const std::vector<WorkerState>& states) {
    CJson list = CJson::array();
    for (std::size_t i = 0; i < units.size() && i < states.size(); ++i) {
        const UnitOutcome outcome = OutcomeOf(states[i]);
        CJson& entry = list.emplace_back(CJson::object());
        entry["drive"] = units[i].strDrive;
        entry["serial"] = TextOrNull(units[i].strSerial);
        entry["result"] = outcome.pszResult;
        SetMessage(entry, outcome.nMessageId, outcome.message);
    }
    CJson json = CJson::object();
    json["result"] = ResultWord(BatchExitStatus(states), 0);
    SetMessage(json, 0, u"");
    json["units"] = std::move(list);
    return json;
}

int BatchExitStatus(const std::vector<WorkerState>& states) {
    bool bAllDone = !states.empty();
    for (const WorkerState& state : states) {
        const UnitOutcome::Kind kind = OutcomeOf(state).kind;
        if (kind == UnitOutcome::Kind::Failure) {
            return kExitFailure;
        }
        bAllDone = bAllDone && kind == UnitOutcome::Kind::Success;
    }
    return bAllDone ? kExitSuccess : kExitNothing;
}

}  // namespace rf
