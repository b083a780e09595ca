#pragma once

// What an update shows while it works, on the terminal: each stage's status
// text on a line of its own, and the progress bar redrawn in place on a
// terminal (plain percentage lines when the output is not a terminal). A
// worker of "update --all" reports the same as progress lines for the
// process that started it.

#include <iosfwd>
#include <string>

#include "framework/controls/ProgressCtrl.h"
#include "framework/controls/Wnd.h"
#include "update/FirmwareUpdate.h"

namespace rf {

class CTerminalProgress final : public CProgressCtrl::IView,
                                public CWnd::IView,
                                public IUpdateStatusSink {
public:
    enum class Form { Plain, InPlace, WorkerLines };

    CTerminalProgress(std::ostream& out, Form form) : m_out(out), m_form(form) {}
    ~CTerminalProgress() override;

    // Progress bar
    void OnRangeChanged(int nLower, int nUpper) override;
    void OnPosChanged(int nPos) override;
    // Status line
    void OnTextChanged(const std::u16string& text) override;
    void OnEnabledChanged(bool) override {}
    // An update's stage, by the id of its status text
    void OnStatus(UINT nTextId) override;

    // Ends a bar drawn in place, so the next text starts on a fresh line.
    void Finish();
    // The stage under way ended well: its progress is shown at 100 %.
    void CompleteStage();

private:
    void Draw(int nPercent);

    std::ostream& m_out;
    Form m_form;
    UINT m_nStage = 0;      // the status text's id, for progress lines
    UINT m_nLineStage = 0;  // the last progress line sent
    int m_nLinePercent = -1;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nLastPercent = -1;
    bool m_bBarShown = false;
    bool m_bInStage = false;
    std::u16string m_stageText;
    int m_nStagePercent = -1;  // the highest shown in this stage, -1 for none
};

}  // namespace rf
