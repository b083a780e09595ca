#include "base/CommandLine.h"

#include <array>
#include <cstring>
#include <string_view>

#include "base/Text.h"

namespace rf {

CReflasherCommandLineInfo theCmdInfo;

namespace {

struct PlainOption {
    const char* pszKeyword;
    bool CReflasherCommandLineInfo::*pFlag;
};

// Compared with the whole option text, case-insensitively, in this order.
constexpr std::array kPlainOptions = std::to_array<PlainOption>({
    {"AutoUpdate", &CReflasherCommandLineInfo::m_bAutoUpdate},
    {"EnableVendorMode", &CReflasherCommandLineInfo::m_bEnableVendorMode},
    {"EnableAllProducts", &CReflasherCommandLineInfo::m_bEnableAllProducts},
    {"ForceAmdRom", &CReflasherCommandLineInfo::m_bForceAmdRom},
    {"DisableResetUI", &CReflasherCommandLineInfo::m_bDisableResetUI},
    {"IgnoreLockDrivesError", &CReflasherCommandLineInfo::m_bIgnoreLockDrivesError},
    {"IgnoreMissingUnitName", &CReflasherCommandLineInfo::m_bIgnoreMissingUnitName},
});

struct ValueOption {
    const char* pszName;
    std::u16string CReflasherCommandLineInfo::*pValue;  // null: accepted, nothing stored
};

// The NAME=value options. ROM, HOST and UIROM are accepted for compatibility
// with older scripts; the images they named are carried inside the program.
constexpr std::array kValueOptions = std::to_array<ValueOption>({
    {"ROM", nullptr},
    {"HOST", nullptr},
    {"UIROM", nullptr},
    {"UIRSC", &CReflasherCommandLineInfo::m_strUIResourceFile},
    {"Firmware", &CReflasherCommandLineInfo::m_strFirmwarePackage},
});

// Room for the name before "=", terminator included.
constexpr std::size_t kNameBufferSize = 256;

bool ParseValueOption(std::string_view option, CReflasherCommandLineInfo& info) {
    const std::size_t nEquals = option.find('=');
    // The name must fit the buffer with its terminator.
    if (nEquals == std::string_view::npos || nEquals >= kNameBufferSize) {
        return false;
    }
    const std::string_view name = option.substr(0, nEquals);
    for (const ValueOption& entry : kValueOptions) {
        if (EqualsNoCase(name, entry.pszName)) {
            if (entry.pValue != nullptr) {
                info.*entry.pValue = Utf8ToUtf16(option.substr(nEquals + 1));
            }
            return true;
        }
    }
    return false;
}

}  // namespace

void CCommandLineInfo::ParseParam(const char16_t* pszParam, bool bFlag, bool /*bLast*/) {
    if (bFlag) {
        ++m_nIgnoredFlags;
    } else {
        m_strFileName = pszParam;
    }
}

void CReflasherCommandLineInfo::ParseParam(const char16_t* pszParam, bool bFlag, bool bLast) {
    if (bFlag) {
        ParseOption(Utf16ToUtf8(pszParam).c_str(), *this);
    } else {
        CCommandLineInfo::ParseParam(pszParam, bFlag, bLast);
    }
}

void ParseOption(const char* pszOption, CReflasherCommandLineInfo& info) {
    const std::string_view option(pszOption);
    for (const PlainOption& entry : kPlainOptions) {
        if (EqualsNoCase(option, entry.pszKeyword)) {
            info.*entry.pFlag = true;
            return;
        }
    }
    if (ParseValueOption(option, info)) {
        return;
    }
    const std::u16string whole = Utf8ToUtf16(option);
    info.CCommandLineInfo::ParseParam(whole.c_str(), true, false);
}

std::vector<std::string> UpdaterOptionKeywords() {
    std::vector<std::string> keywords;
    for (const PlainOption& entry : kPlainOptions) {
        keywords.emplace_back(entry.pszKeyword);
    }
    for (const ValueOption& entry : kValueOptions) {
        keywords.push_back(std::string(entry.pszName) + "=");
    }
    return keywords;
}

void ParseCommandLine(CCommandLineInfo& info, const std::vector<std::u16string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        const bool bFlag = !arg.empty() && (arg[0] == u'/' || arg[0] == u'-');
        const std::u16string param = bFlag ? arg.substr(1) : arg;
        info.ParseParam(param.c_str(), bFlag, i + 1 == args.size());
    }
}

}  // namespace rf
