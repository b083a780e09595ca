#include "cli/TerminalProgress.h"

#include <algorithm>
#include <ostream>

#include "base/Text.h"
#include "batch/WorkerLines.h"
#include "text/StringTable.h"

namespace rf {

namespace {

constexpr int kBarWidth = 40;
constexpr int kPlainStep = 10;  // without a terminal: a line every 10 %

}  // namespace

CTerminalProgress::~CTerminalProgress() {
    Finish();
}

void CTerminalProgress::OnRangeChanged(int nLower, int nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_nLastPercent = -1;
}

void CTerminalProgress::OnPosChanged(int nPos) {
    // Progress counts only inside a stage; the bar's reset after the update
    // is not news.
    if (!m_bInStage || m_nUpper <= m_nLower) {
        return;
    }
    const long long nSpan = static_cast<long long>(m_nUpper) - m_nLower;
    const long long nDone =
        std::clamp<long long>(static_cast<long long>(nPos) - m_nLower, 0, nSpan);
    const int nPercent = static_cast<int>(nDone * 100 / nSpan);
    // A stage that starts a second bar (the check after a write) goes on
    // from where its first ended, never back to 0 %.
    if (nPercent == m_nLastPercent || nPercent <= m_nStagePercent) {
        return;
    }
    if (m_form == Form::Plain && m_nLastPercent >= 0 &&
        nPercent / kPlainStep == m_nLastPercent / kPlainStep && nPercent != 100) {
        return;
    }
    m_nLastPercent = nPercent;
    Draw(nPercent);
}

void CTerminalProgress::CompleteStage() {
    // A stage's last step may leave its bar short of the end, and the plain
    // form prints only every tenth: the stage's end is shown as such.
    if (m_bInStage && m_nStagePercent >= 0 && m_nStagePercent < 100) {
        Draw(100);
    }
}

void CTerminalProgress::Draw(int nPercent) {
    m_nStagePercent = nPercent;
    if (m_form == Form::WorkerLines) {
        // A bar's new range starts at the stage's 0 % again: not news.
        if (m_nStage == m_nLineStage && nPercent == m_nLinePercent) {
            return;
        }
        m_nLineStage = m_nStage;
        m_nLinePercent = nPercent;
        // One write for the whole line, so that it never mixes with a
        // message written at the same time.
        m_out << FormatProgressLine({m_nStage, nPercent}) + "\n";
    } else if (m_form == Form::InPlace) {
        const int nFilled = nPercent * kBarWidth / 100;
        m_out << "\r  [" << std::string(static_cast<std::size_t>(nFilled), '#')
              << std::string(static_cast<std::size_t>(kBarWidth - nFilled), ' ') << "] " << nPercent
              << " %";
        m_bBarShown = true;
    } else {
        // Each line says what it counts: the stage, without its "...".
        std::u16string stage = m_stageText;
        while (!stage.empty() && (stage.back() == u'.' || stage.back() == u' ')) {
            stage.pop_back();
        }
        m_out << "  "
              << Utf16ToUtf8(FillPlaceholders(LoadResString(IDS_CLI_PROGRESS_LINE),
                                              {stage, Widen(std::to_string(nPercent))}))
              << '\n';
    }
    m_out.flush();
}

void CTerminalProgress::OnTextChanged(const std::u16string& text) {
    // The next stage begins only when the last one ended.
    if (!text.empty()) {
        CompleteStage();
    }
    Finish();
    m_bInStage = !text.empty();
    m_stageText = text;
    m_nStagePercent = -1;
    if (!text.empty() && m_form != Form::WorkerLines) {
        m_out << Utf16ToUtf8(text) << '\n';
        m_out.flush();
    }
    m_nLastPercent = -1;
}

void CTerminalProgress::OnStatus(UINT nTextId) {
    if (m_form != Form::WorkerLines) {
        OnTextChanged(LoadResString(nTextId));
        return;
    }
    CompleteStage();
    m_nStage = nTextId;
    m_bInStage = true;
    m_nLastPercent = 0;
    m_nStagePercent = -1;
    Draw(0);
}

void CTerminalProgress::Finish() {
    if (m_bBarShown) {
        m_out << '\n';
        m_bBarShown = false;
    }
}

}  // namespace rf
