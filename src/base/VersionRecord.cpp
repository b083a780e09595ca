#include "base/VersionRecord.h"

#include <cstdio>
#include <string_view>

#include "base/Text.h"

namespace rf {

namespace {

const VersionRecord* EmbeddedProvider() {
    return &EmbeddedVersionRecord();
}

VersionRecordProvider g_provider = &EmbeddedProvider;

// State from OpenVersionInfo to CloseVersionInfo.
const VersionRecord* g_pRecord = nullptr;
const VersionTranslation* g_pTranslation = nullptr;

const char16_t* QueryValue(const VersionRecord& record, std::u16string_view subBlock) {
    for (const VersionValue& value : record.values) {
        if (value.pszSubBlock != nullptr && subBlock == value.pszSubBlock) {
            return value.pszValue;
        }
    }
    return nullptr;
}

}  // namespace

void SetVersionRecordProvider(VersionRecordProvider provider) {
    g_provider = provider != nullptr ? provider : &EmbeddedProvider;
}

bool OpenVersionInfo() {
    CloseVersionInfo();
    const VersionRecord* pRecord = g_provider();
    if (pRecord == nullptr) {
        return false;
    }
    g_pRecord = pRecord;
    // "\VarFileInfo\Translation": present only with at least one entry.
    if (pRecord->translations.empty()) {
        return false;
    }
    g_pTranslation = &pRecord->translations.front();
    return true;
}

std::u16string GetVersionString(const char16_t* pszKey) {
    if (g_pRecord == nullptr || g_pTranslation == nullptr || pszKey == nullptr) {
        return {};
    }
    const std::u16string subBlock = u"\\StringFileInfo\\" + Hex(g_pTranslation->wLanguage, 4) +
                                    Hex(g_pTranslation->wCodePage, 4) + u"\\" + pszKey;
    const char16_t* pszValue = QueryValue(*g_pRecord, subBlock);
    if (pszValue == nullptr || *pszValue == u'\0') {
        return {};
    }
    return pszValue;
}

void CloseVersionInfo() {
    g_pRecord = nullptr;
    g_pTranslation = nullptr;
}

}  // namespace rf
