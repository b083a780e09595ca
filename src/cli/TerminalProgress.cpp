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
    if (nPercent == m_nLastPercent) {
        return;
    }
    if (m_form == Form::Plain && m_nLastPercent >= 0 &&
        nPercent / kPlainStep == m_nLastPercent / kPlainStep && nPercent != 100) {
        return;
    }
    m_nLastPercent = nPercent;
    Draw(nPercent);
}

void CTerminalProgress::Draw(int nPercent) {
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
        m_out << "  " << nPercent << " %\n";
    }
    m_out.flush();
}

void CTerminalProgress::OnTextChanged(const std::u16string& text) {
    Finish();
    m_bInStage = !text.empty();
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
    m_nStage = nTextId;
    m_bInStage = true;
    m_nLastPercent = 0;
    Draw(0);
}

void CTerminalProgress::Finish() {
    if (m_bBarShown) {
        m_out << '\n';
        m_bBarShown = false;
    }
}

}  // namespace rf
