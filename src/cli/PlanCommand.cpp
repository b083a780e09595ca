// update --plan: the unit read as an update reads it, then what the update
// would write, shown and never done. The plan itself is a value made from
// the read update object (update/PlannedUpdate.h); this file only prints it.

#include <algorithm>
#include <ostream>
#include <string>

#include "base/Json.h"
#include "base/Text.h"
#include "base/TextWidth.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/JsonValues.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"
#include "update/PlannedUpdate.h"

namespace rf {

namespace {

std::u16string Milliseconds(const std::optional<std::uint64_t>& microseconds) {
    if (!microseconds) {
        return LoadResString(IDS_CLI_PLAN_NO_ESTIMATE);
    }
    return Widen(std::to_string((*microseconds + 500) / 1000)) + u" ms";
}

CJson MillisecondsOrNull(const std::optional<std::uint64_t>& microseconds) {
    return microseconds ? CJson((*microseconds + 500) / 1000) : CJson(nullptr);
}

const MemoryRow* RowOf(const std::array<MemoryRow, 5>& rows, const CRomObject* pRom) {
    const auto it = std::find_if(rows.begin(), rows.end(),
                                 [pRom](const MemoryRow& row) { return &row.rom == pRom; });
    return it == rows.end() ? nullptr : &*it;
}

// A message box's text under a line of the plan, its lines indented.
std::u16string Indented(const std::u16string& text) {
    std::u16string indented;
    std::size_t nStart = 0;
    while (nStart <= text.size()) {
        const std::size_t nEnd = std::min(text.find(u'\n', nStart), text.size());
        const std::u16string_view line(text.data() + nStart, nEnd - nStart);
        indented += (line.empty() ? u"" : u"  " + std::u16string(line)) + u"\n";
        nStart = nEnd + 1;
    }
    return indented;
}

void PrintJson(const PlannedUpdate& plan, const std::array<MemoryRow, 5>& rows, int nExit,
               CommandStreams& streams) {
    CJson steps = CJson::array();
    for (const PlannedStep& step : plan.steps) {
        const MemoryRow* pRow = RowOf(rows, step.pRom);
        CJson stageIds = CJson::array();
        CJson stageTexts = CJson::array();
        for (const UINT nText : step.stageTexts) {
            stageIds.push_back(nText);
            stageTexts.push_back(LoadResString(nText));
        }
        CJson& entry = steps.emplace_back(CJson::object());
        entry["memory"] = pRow != nullptr ? CJson(pRow->pszKey) : CJson(nullptr);
        CJson device = CJson::object();
        WriteDeviceVersion(*step.pRom, device);
        entry["from_version"] = device["device_version"];
        entry["to_version"] = ImageVersionValue(*step.pRom);
        entry["estimated_ms"] = MillisecondsOrNull(step.estimatedMicroseconds);
        entry["stage_ids"] = std::move(stageIds);
        entry["stage_texts"] = std::move(stageTexts);
        entry["failure_id"] = step.nFailure != 0 ? CJson(step.nFailure) : CJson(nullptr);
    }
    const std::u16string message =
        plan.nMessageId == 0 ? std::u16string()
                             : LoadResString(plan.nMessageId) +
                                   (plan.strDetail.empty() ? u"" : u"\n" + plan.strDetail);
    CJson json = ResultDocument(nExit, plan.nMessageId, message);
    json["question"] = plan.bQuestion;
    json["steps"] = std::move(steps);
    json["other_ms"] = MillisecondsOrNull(plan.otherMicroseconds);
    json["total_ms"] = MillisecondsOrNull(plan.totalMicroseconds);
    json["link"] = plan.pLink->pszName;
    PrintDocument(streams, json);
}

void PrintText(const PlannedUpdate& plan, const std::array<MemoryRow, 5>& rows, std::ostream& out) {
    std::u16string text;
    if (plan.bQuestion) {
        text += LoadResString(IDS_CLI_PLAN_QUESTION) + u"\n" +
                Indented(LoadResString(TerminalTextId(plan.nMessageId)));
    }
    text += LoadResString(plan.bQuestion ? IDS_CLI_PLAN_IF_YES : IDS_CLI_PLAN_HEADER) + u"\n";
    // Memory, versions, time; the lines of the run's other time and of the
    // total put their label across the first two columns.
    std::size_t nNameWidth = 0;
    for (const MemoryRow& row : rows) {
        nNameWidth = std::max(nNameWidth, DisplayWidth(LoadResString(row.nName)) + 2);
    }
    const std::u16string strArrow = u" -> ";
    std::size_t nVersionsWidth = 0;
    for (const PlannedStep& step : plan.steps) {
        nVersionsWidth = std::max(
            nVersionsWidth,
            DisplayWidth(step.pRom->m_strDeviceVersion + strArrow + step.pRom->m_strRomVersion) +
                2);
    }
    const std::size_t nLabelWidth =
        std::max({nNameWidth + nVersionsWidth, DisplayWidth(LoadResString(IDS_CLI_PLAN_OTHER)) + 2,
                  DisplayWidth(LoadResString(IDS_CLI_PLAN_TOTAL)) + 2});
    // The times are aligned on the right, so that their digits line up.
    std::size_t nTimeWidth = DisplayWidth(Milliseconds(plan.totalMicroseconds));
    for (const PlannedStep& step : plan.steps) {
        nTimeWidth = std::max(nTimeWidth, DisplayWidth(Milliseconds(step.estimatedMicroseconds)));
    }
    const auto time = [nTimeWidth](const std::optional<std::uint64_t>& nMicroseconds) {
        const std::u16string strTime = Milliseconds(nMicroseconds);
        return std::u16string(nTimeWidth - std::min(nTimeWidth, DisplayWidth(strTime)), u' ') +
               strTime;
    };
    for (const PlannedStep& step : plan.steps) {
        const MemoryRow* pRow = RowOf(rows, step.pRom);
        const std::u16string strName = pRow != nullptr ? LoadResString(pRow->nName) : u"";
        text += u"  " + PadToWidth(strName, nNameWidth) +
                PadToWidth(step.pRom->m_strDeviceVersion + strArrow + step.pRom->m_strRomVersion,
                           nLabelWidth - nNameWidth) +
                time(step.estimatedMicroseconds) + u"\n";
        for (const UINT nText : step.stageTexts) {
            text += u"      " + LoadResString(nText) + u"\n";
        }
        if (step.nFailure != 0) {
            text += u"      " + LoadResString(IDS_CLI_PLAN_WOULD_FAIL) + u"\n";
        }
    }
    text += u"  " + PadToWidth(LoadResString(IDS_CLI_PLAN_OTHER), nLabelWidth) +
            time(plan.otherMicroseconds) + u"\n";
    text += u"  " + PadToWidth(LoadResString(IDS_CLI_PLAN_TOTAL), nLabelWidth) +
            time(plan.totalMicroseconds) + u"\n";
    if (!plan.bQuestion && !plan.bRefused && plan.nMessageId != 0) {
        text += LoadResString(IDS_CLI_PLAN_RESULT) + u"\n";
        text += Indented(LoadResString(TerminalTextId(plan.nMessageId)));
    }
    text += LoadResString(IDS_CLI_PLAN_LINK) + Widen(plan.pLink->pszName) + u" (" +
            LinkDescription(*plan.pLink) + u")\n";
    out << Utf16ToUtf8(text);
}

}  // namespace

int RunPlanCommand(CFirmwareUpdate& update, const CliOptions& options, CommandStreams& streams) {
    const emu::BusProfile* pLink = nullptr;
    if (options.link) {
        pLink = emu::FindBusProfile(*options.link);
        if (pLink == nullptr) {
            PrintMessage(streams.err, IDS_CLI_UNKNOWN_OPTION,
                         u"--link " + Utf8ToUtf16(*options.link));
            return kExitNothing;
        }
    }
    if (!PrepareImages(update, options, streams.err)) {
        return kExitNothing;
    }
    if (!FindAndReadUnit(update, nullptr, streams.err, options)) {
        return kExitNothing;
    }
    // From here on the unit is only read: the checks before the first
    // write read it as the update would.
    const PlannedUpdate plan =
        PlanUpdate(update, pLink != nullptr ? *pLink : LinkProfileOf(update.m_device));
    const std::array<MemoryRow, 5> rows = MemoryRows(update);
    // As the update itself ends: nothing when it refuses, a failure when a
    // memory fails on the way.
    UpdateResult result;
    result.nMessageId = plan.nMessageId;
    const int nExit = plan.bRefused ? kExitNothing
                      : (!plan.bQuestion && plan.nMessageId != 0 && !result.Succeeded())
                          ? kExitFailure
                          : kExitSuccess;
    if (options.bJson) {
        PrintJson(plan, rows, nExit, streams);
    } else {
        PrintText(plan, rows, streams.out);
    }
    streams.log << Utf16ToUtf8(LoadResString(IDS_CLI_PLAN_WROTE_NOTHING)) << '\n';
    if (plan.bRefused) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_PLAN_REFUSED) +
                                   LoadResString(TerminalTextId(plan.nMessageId)) +
                                   (plan.strDetail.empty() ? u"" : u"\n" + plan.strDetail))
                    << '\n';
    }
    return nExit;
}

}  // namespace rf
