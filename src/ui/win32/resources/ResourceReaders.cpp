#include "ui/win32/resources/ResourceReaders.h"

#include <array>
#include <cwchar>
#include <deque>
#include <vector>

#include "base/VersionRecord.h"
#include "images/ImageResources.h"
#include "ui/win32/WideText.h"

#include "ui/win32/SystemHeaders.h"

namespace rf {

namespace {

rf::HMODULE g_hModule = nullptr;
std::u16string g_strPath;

// The keys start-up and the about texts read from the version record.
constexpr std::array<const char16_t*, 5> kVersionKeys = {
    u"FileDescription", u"FileVersion", u"InternalName", u"ProductName", u"ProductVersion"};

// The record as VerQueryValueW gives it, kept in the shape the start-up
// code reads until OpenVersionInfo is called again.
struct VersionRecordCopy {
    std::vector<VersionTranslation> translations;
    std::deque<std::u16string> texts;  // sub-block names and values; a deque keeps them in place
    std::vector<VersionValue> values;
    VersionRecord record;
};

VersionRecordCopy& RecordCopy() {
    static VersionRecordCopy copy;
    return copy;
}

std::u16string ProgramPath() {
    if (!g_strPath.empty()) {
        return g_strPath;
    }
    std::array<wchar_t, MAX_PATH> path{};
    const ::DWORD nLength = GetModuleFileNameW(g_hModule, path.data(), MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH) {
        return {};
    }
    return FromWide(path.data(), nLength);
}

const VersionRecord* ReadVersionRecord() {
    const std::u16string strPath = ProgramPath();
    if (strPath.empty()) {
        return nullptr;
    }
    ::DWORD dwHandle = 0;
    const ::DWORD nSize = GetFileVersionInfoSizeW(Wide(strPath), &dwHandle);
    if (nSize == 0) {
        return nullptr;
    }
    std::vector<BYTE> block(nSize);
    if (!GetFileVersionInfoW(Wide(strPath), 0, nSize, block.data())) {
        return nullptr;
    }
    VersionRecordCopy& copy = RecordCopy();
    copy = VersionRecordCopy{};
    void* pTranslations = nullptr;
    UINT nBytes = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &pTranslations, &nBytes) &&
        pTranslations != nullptr) {
        const auto* pWords = static_cast<const WORD*>(pTranslations);
        for (UINT i = 0; i + 1 < nBytes / sizeof(WORD); i += 2) {
            copy.translations.push_back(VersionTranslation{pWords[i], pWords[i + 1]});
        }
    }
    if (!copy.translations.empty()) {
        const VersionTranslation& first = copy.translations.front();
        for (const char16_t* pszKey : kVersionKeys) {
            wchar_t szPrefix[64];
            std::swprintf(szPrefix, std::size(szPrefix), L"\\StringFileInfo\\%04X%04X\\",
                          static_cast<unsigned>(first.wLanguage),
                          static_cast<unsigned>(first.wCodePage));
            const std::u16string subBlock =
                reinterpret_cast<const char16_t*>(szPrefix) + std::u16string(pszKey);
            void* pValue = nullptr;
            UINT nChars = 0;
            if (!VerQueryValueW(block.data(), Wide(subBlock), &pValue, &nChars) ||
                pValue == nullptr || nChars == 0) {
                continue;
            }
            const auto* pszValue = static_cast<const char16_t*>(pValue);
            std::u16string value(pszValue, nChars);
            value.resize(std::char_traits<char16_t>::length(value.c_str()));
            copy.texts.push_back(subBlock);
            const char16_t* pszSubBlock = copy.texts.back().c_str();
            copy.texts.push_back(std::move(value));
            copy.values.push_back(VersionValue{pszSubBlock, copy.texts.back().c_str()});
        }
    }
    copy.record = VersionRecord{copy.translations, copy.values};
    return &copy.record;
}

bool ReadString(UINT nId, Language language, std::u16string& text) {
    return LoadStringResource(g_hModule, nId, language, text);
}

std::span<const BYTE> ReadImage(UINT nId) {
    return LoadBinaryResource(g_hModule, nId);
}

}  // namespace

void UseProgramResources(HMODULE hModule, std::u16string strPath) {
    g_hModule = hModule;
    g_strPath = std::move(strPath);
    SetVersionRecordProvider(&ReadVersionRecord);
    SetStringSource(&ReadString);
    SetImageResourceSource(&ReadImage);
    SetCurrentLanguage(UserInterfaceLanguage());
}

HMODULE ResourceModule() {
    return g_hModule != nullptr ? g_hModule : GetModuleHandleW(nullptr);
}

Language UserInterfaceLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                      : Language::English;
}

WORD LanguageId(Language language) {
    return language == Language::Japanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                          : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

bool LoadStringResource(HMODULE hModule, UINT nId, Language language, std::u16string& text) {
    // Strings live in blocks of sixteen: block id / 16 + 1 holds the id at
    // position id % 16, each entry a length and that many UTF-16 units.
    const UINT nBlock = nId / 16 + 1;
    if (nBlock > 0xFFFF) {
        return false;
    }
    HRSRC hInfo =
        FindResourceExW(hModule, RT_STRING, MAKEINTRESOURCEW(nBlock), LanguageId(language));
    if (hInfo == nullptr) {
        return false;
    }
    HGLOBAL hData = LoadResource(hModule, hInfo);
    const auto* pUnits =
        static_cast<const char16_t*>(hData != nullptr ? LockResource(hData) : nullptr);
    if (pUnits == nullptr) {
        return false;
    }
    // Every step stays inside the block, however it is made.
    const std::size_t nUnits = SizeofResource(hModule, hInfo) / sizeof(char16_t);
    std::size_t nAt = 0;
    for (UINT i = 0; i < nId % 16; ++i) {
        if (nAt >= nUnits) {
            return false;
        }
        nAt += 1 + pUnits[nAt];
    }
    if (nAt >= nUnits || pUnits[nAt] == 0 || nAt + 1 + pUnits[nAt] > nUnits) {
        return false;
    }
    text.assign(pUnits + nAt + 1, pUnits[nAt]);
    return true;
}

std::span<const BYTE> LoadBinaryResource(HMODULE hModule, UINT nId) {
    if (nId > 0xFFFF) {
        return {};
    }
    HRSRC hInfo = FindResourceW(hModule, MAKEINTRESOURCEW(nId), L"BINARY");
    if (hInfo == nullptr) {
        return {};
    }
    HGLOBAL hData = LoadResource(hModule, hInfo);
    const void* pData = hData != nullptr ? LockResource(hData) : nullptr;
    if (pData == nullptr) {
        return {};
    }
    return {static_cast<const BYTE*>(pData), SizeofResource(hModule, hInfo)};
}

}  // namespace rf
