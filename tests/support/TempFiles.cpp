#include "support/TempFiles.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "app/Text.h"

namespace rf::test {

namespace fs = std::filesystem;

CTempFiles::CTempFiles() {
    std::string strTemplate = (fs::temp_directory_path() / "reflasher-files-XXXXXX").string();
    const char* pszRoot = ::mkdtemp(strTemplate.data());
    m_strRoot = pszRoot != nullptr ? pszRoot : strTemplate;
}

CTempFiles::~CTempFiles() {
    std::error_code error;
    fs::remove_all(m_strRoot, error);
}

std::u16string CTempFiles::Write(const std::string& strName, std::span<const BYTE> bytes) {
    std::ofstream out(fs::path(m_strRoot) / strName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return Path(strName);
}

std::u16string CTempFiles::Path(const std::string& strName) const {
    return Utf8ToUtf16((fs::path(m_strRoot) / strName).string());
}

}  // namespace rf::test
