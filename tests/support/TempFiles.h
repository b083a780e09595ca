#pragma once

// A private directory for files a test writes, removed with everything in
// it when the object goes.

#include <span>
#include <string>

#include "base/Types.h"

namespace rf::test {

class CTempFiles {
public:
    CTempFiles();
    ~CTempFiles();
    CTempFiles(const CTempFiles&) = delete;
    CTempFiles& operator=(const CTempFiles&) = delete;

    // Writes the file (replacing it) and returns its path as UTF-16.
    std::u16string Write(const std::string& strName, std::span<const BYTE> bytes);
    // The path of a name in the directory, whether or not it exists.
    std::u16string Path(const std::string& strName) const;
    const std::string& Root() const { return m_strRoot; }

private:
    std::string m_strRoot;
};

}  // namespace rf::test
