#include "ResourceText.h"

#include "base/Text.h"

namespace rf::rcgen {

std::string QuotedRcText(std::u16string_view text) {
    std::string quoted = "\"";
    for (const char c : Utf16ToUtf8(text)) {
        switch (c) {
            case '"':
                quoted += "\"\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                quoted += c;
                break;
        }
    }
    return quoted + "\"";
}

std::string LanguageStatement(bool bJapanese) {
    return bJapanese ? "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n"
                     : "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n";
}

}  // namespace rf::rcgen
