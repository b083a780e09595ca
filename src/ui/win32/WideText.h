#pragma once

// The program's texts are UTF-16, and so are the system's wide-character
// functions on Windows: a text crosses over as it is.

#include <cstddef>
#include <string>

namespace rf {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters are UTF-16 units here");

inline const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromWide(const wchar_t* pszText, std::size_t nLength) {
    return std::u16string(reinterpret_cast<const char16_t*>(pszText), nLength);
}

inline std::u16string FromWide(const wchar_t* pszText) {
    return pszText != nullptr ? std::u16string(reinterpret_cast<const char16_t*>(pszText))
                              : std::u16string();
}

}  // namespace rf
