#include "cli/TerminalMessageBoxes.h"

#include <istream>
#include <ostream>
#include <string>

#include "base/Text.h"

namespace rf {

int CTerminalMessageBoxes::Show(const std::u16string& text, const std::u16string& caption,
                                UINT nType) {
    const bool bQuestion = (nType & MB_BUTTONS_MASK) == MB_YESNO;
    const bool bError = (nType & MB_ICON_MASK) == MB_ICONSTOP;
    std::ostream& stream = bError ? m_err : m_out;
    stream << Utf16ToUtf8(caption) << ": " << Utf16ToUtf8(text) << '\n';
    if (!bQuestion) {
        stream.flush();
        return IDOK;
    }
    if (m_bAssumeYes) {
        stream << "[y/N] y\n";
        stream.flush();
        return IDYES;
    }
    if (!m_bInteractive) {
        stream << "[y/N] n\n";
        stream.flush();
        return IDNO;
    }
    stream << "[y/N] ";
    stream.flush();
    std::string strAnswer;
    if (!std::getline(m_in, strAnswer)) {
        return IDNO;
    }
    return (strAnswer == "y" || strAnswer == "Y" || strAnswer == "yes" || strAnswer == "YES")
               ? IDYES
               : IDNO;
}

}  // namespace rf
