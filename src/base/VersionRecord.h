#pragma once

// The program's own version record: string values under
// "\StringFileInfo\<language><code page>\<key>" and the list of translations
// under "\VarFileInfo\Translation". The record is compiled into the program;
// start-up refuses to run without it.

#include <span>
#include <string>

#include "base/Types.h"

namespace rf {

struct VersionTranslation {
    WORD wLanguage;
    WORD wCodePage;
};

struct VersionValue {
    const char16_t*
        pszSubBlock;  // full sub-block name, e.g. "\StringFileInfo\041103A4\FileVersion"
    const char16_t* pszValue;
};

struct VersionRecord {
    std::span<const VersionTranslation> translations;
    std::span<const VersionValue> values;
};

// The record built into this program.
const VersionRecord& EmbeddedVersionRecord();

// Where OpenVersionInfo takes the record from; returns null when there is
// none. The default returns the embedded record; tests install others.
using VersionRecordProvider = const VersionRecord* (*)();
void SetVersionRecordProvider(VersionRecordProvider provider);  // null restores the default

// Reads the record; true when it exists and names at least one translation.
bool OpenVersionInfo();
// The value of a key in the record's first translation, or an empty text
// when the key is absent or empty (or no record is open).
std::u16string GetVersionString(const char16_t* pszKey);
void CloseVersionInfo();

}  // namespace rf
