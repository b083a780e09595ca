#include <stdlib.h>

#include "base/Environment.h"
#include "base/FilePath.h"
#include "base/Text.h"

namespace rf {

namespace {

std::wstring Wide(const std::string& strText) {
    const std::u16string text = Utf8ToUtf16(strText);
    return std::wstring(text.begin(), text.end());
}

}  // namespace

// The wide environment holds the values as Windows does; the narrow one
// would give them in the ANSI code page.
std::optional<std::string> GetEnvironmentUtf8(const char* pszName) {
    const wchar_t* pszValue = ::_wgetenv(Wide(pszName).c_str());
    if (pszValue == nullptr || *pszValue == L'\0') {
        return std::nullopt;
    }
    const std::wstring value(pszValue);
    return Utf16ToUtf8(std::u16string(value.begin(), value.end()));
}

void SetEnvironmentUtf8(const char* pszName, const std::optional<std::string>& value) {
    // An empty value removes the variable.
    ::_wputenv_s(Wide(pszName).c_str(), value ? Wide(*value).c_str() : L"");
}

std::filesystem::path UserStateDirectory() {
    if (const auto local = GetEnvironmentUtf8("LOCALAPPDATA")) {
        return PathFromUtf8(*local);
    }
    const auto profile = GetEnvironmentUtf8("USERPROFILE");
    return PathFromUtf8(profile.value_or(".")) / "AppData" / "Local";
}

}  // namespace rf
