// What "update --all" shows while its workers run.

#include <chrono>
#include <ostream>

#include "base/Text.h"
#include "cli/TextTable.h"
#include "cli/UpdateAll.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// The table is redrawn at most this often: enough for the eye, and it
// keeps the parent's own work small beside the workers'.
constexpr unsigned long long kRedrawMilliseconds = 200;
constexpr int kPlainStep = 10;  // without a terminal: a line every 10 %

unsigned long long NowMilliseconds() {
    return static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count());
}

}  // namespace

CUpdateAllView::CUpdateAllView(std::ostream& out, bool bTerminal,
                               const std::vector<BatchUnit>& units)
    : m_out(out),
      m_bTerminal(bTerminal),
      m_units(units),
      m_states(units.size()),
      m_lastPlainStep(units.size(), -1) {}

std::u16string CUpdateAllView::StageText(const WorkerState& state) const {
    if (state.end != WorkerEnd::Running) {
        switch (OutcomeOf(state).kind) {
            case UnitOutcome::Kind::Success:
                return LoadResString(IDS_BATCH_SUCCESS);
            case UnitOutcome::Kind::Failure:
                return LoadResString(IDS_BATCH_FAILURE);
            case UnitOutcome::Kind::Nothing:
                return LoadResString(IDS_BATCH_NOTHING);
        }
    }
    return LoadResString(state.progress.nStage == 0 ? IDS_BATCH_READING : state.progress.nStage);
}

void CUpdateAllView::OnWorkerChanged(std::size_t nWorker, const WorkerState& state) {
    m_states[nWorker] = state;
    m_bDirty = true;
    if (m_bTerminal) {
        return;
    }
    const bool bRunning = state.end == WorkerEnd::Running;
    const int nStep = !bRunning ? 1'000'000
                                : static_cast<int>(state.progress.nStage) * 100 +
                                      state.progress.nPercent / kPlainStep;
    if (nStep == m_lastPlainStep[nWorker]) {
        return;
    }
    m_lastPlainStep[nWorker] = nStep;
    std::u16string line =
        m_units[nWorker].strDrive + u" (" + m_units[nWorker].strSerial + u"): " + StageText(state);
    if (bRunning && state.progress.nStage != 0) {
        line += u" " + Utf8ToUtf16(std::to_string(state.progress.nPercent)) + u" %";
    }
    m_out << Utf16ToUtf8(line) << '\n';
    m_out.flush();
}

void CUpdateAllView::OnIdle() {
    if (m_bTerminal && m_bDirty && NowMilliseconds() - m_nLastDrawMs >= kRedrawMilliseconds) {
        DrawTable();
    }
}

void CUpdateAllView::Finish() {
    if (m_bTerminal) {
        DrawTable();
    }
}

void CUpdateAllView::DrawTable() {
    // The stage comes last: it is the column that is cut when the terminal
    // is narrow, and the rows must stay one line each to be redrawn.
    TableRows rows{{LoadResString(IDS_CLI_DRIVE), LoadResString(IDS_CLI_SERIAL), u"%",
                    LoadResString(IDS_BATCH_STAGE)}};
    for (std::size_t i = 0; i < m_units.size(); ++i) {
        const WorkerState& state = m_states[i];
        const bool bPercent = state.end == WorkerEnd::Running && state.progress.nStage != 0;
        rows.push_back(
            {m_units[i].strDrive, m_units[i].strSerial,
             bPercent ? Utf8ToUtf16(std::to_string(state.progress.nPercent)) : std::u16string(),
             StageText(state)});
    }
    const std::string text =
        Utf16ToUtf8(FormatTable(rows, TerminalColumns(), {2}, TableOverflow::Cut));
    // Back to the table's first line, then each line rewritten and the rest
    // of it cleared, since a stage's text may be shorter than the last.
    std::string frame;
    if (m_nLinesDrawn > 0) {
        frame = "\x1b[" + std::to_string(m_nLinesDrawn) + "F";
    }
    std::size_t nLines = 0;
    std::size_t nStart = 0;
    for (std::size_t nEnd; (nEnd = text.find('\n', nStart)) != std::string::npos;
         nStart = nEnd + 1) {
        frame += text.substr(nStart, nEnd - nStart) + "\x1b[K\n";
        ++nLines;
    }
    m_out << frame;
    m_out.flush();
    m_nLinesDrawn = nLines;
    m_bDirty = false;
    m_nLastDrawMs = NowMilliseconds();
}

}  // namespace rf
