#pragma once

#include <iosfwd>

#include "framework/Messages.h"

namespace rf {

// Message boxes on the terminal: errors on the error stream, other messages
// on the output stream, questions answered on the terminal. Without a
// terminal to ask on, a question is answered No.
class CTerminalMessageBoxes final : public IMessageBoxService {
public:
    // bAssumeYes answers every question Yes without asking.
    CTerminalMessageBoxes(std::ostream& out, std::ostream& err, std::istream& in, bool bInteractive,
                          bool bAssumeYes = false)
        : m_out(out),
          m_err(err),
          m_in(in),
          m_bInteractive(bInteractive),
          m_bAssumeYes(bAssumeYes) {}

    int Show(const std::u16string& text, const std::u16string& caption, UINT nType) override;

private:
    std::ostream& m_out;
    std::ostream& m_err;
    std::istream& m_in;
    bool m_bInteractive;
    bool m_bAssumeYes;
};

}  // namespace rf
