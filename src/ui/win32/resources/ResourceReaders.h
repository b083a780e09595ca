#pragma once

// The Windows program reads its version record, its texts and its carried
// images back from its own resources, through the system's resource
// functions: GetFileVersionInfoW and VerQueryValueW, string-table blocks
// found with FindResourceExW in the language of the user's interface, and
// "BINARY" resources. UseProgramResources puts these readers behind the
// look-ups the rest of the program makes (OpenVersionInfo, LoadResString,
// the image objects' LoadFromResource).

#include <span>
#include <string>

#include "base/Types.h"
#include "text/StringTable.h"
#include "ui/win32/Win32Handles.h"

namespace rf {

// hModule: the module whose resources are read, the program itself when
// null; strPath: its file, for the version record (the program's own file
// when empty). A module loaded as a data file has no file name of its own,
// so its path is given.
void UseProgramResources(HMODULE hModule = nullptr, std::u16string strPath = {});

// The module UseProgramResources reads (the program's own by default).
HMODULE ResourceModule();

// Japanese when the user's interface language (GetUserDefaultUILanguage) is
// Japanese, English otherwise.
Language UserInterfaceLanguage();
// The language identifier of the resources of a language: 1041 or 1033.
WORD LanguageId(Language language);

// The text of a string id in a language, read from the module's string
// table; false (text unchanged) when the module has no such string.
bool LoadStringResource(HMODULE hModule, UINT nId, Language language, std::u16string& text);

// The bytes of the module's "BINARY" resource with this id, or an empty span.
std::span<const BYTE> LoadBinaryResource(HMODULE hModule, UINT nId);

}  // namespace rf
