#pragma once

// Texts as the resource compiler reads them: UTF-8 between double quotes,
// with the file's code page set to UTF-8.

#include <string>
#include <string_view>

namespace rf::rcgen {

// A quoted string literal: a quote doubled, a backslash escaped, line
// breaks and tabs as escapes, so that every text reads back unchanged.
std::string QuotedRcText(std::u16string_view text);

// The language statement of English (1033) or Japanese (1041) resources.
std::string LanguageStatement(bool bJapanese);

}  // namespace rf::rcgen
