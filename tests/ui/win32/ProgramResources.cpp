#include "ProgramResources.h"

#include <array>

#include "base/VersionRecord.h"
#include "images/ImageResources.h"
#include "text/StringTable.h"
#include "ui/win32/WideText.h"
#include "ui/win32/resources/ResourceReaders.h"

#include "ui/win32/SystemHeaders.h"

namespace rf::test {

std::u16string TestProgramPath() {
    std::array<wchar_t, MAX_PATH> path{};
    const ::DWORD nLength = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    return FromWide(path.data(), nLength);
}

CProgramResources::CProgramResources() {
    const std::u16string strTest = TestProgramPath();
    m_strPath = strTest.substr(0, strTest.find_last_of(u"\\/") + 1) + u"reflasher.exe";
    m_hModule = LoadLibraryExW(Wide(m_strPath), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    UseProgramResources(m_hModule, m_strPath);
}

CProgramResources::~CProgramResources() {
    SetVersionRecordProvider(nullptr);
    SetStringSource(nullptr);
    SetImageResourceSource(nullptr);
    SetCurrentLanguage(Language::English);
    if (m_hModule != nullptr) {
        FreeLibrary(m_hModule);
    }
}

}  // namespace rf::test
