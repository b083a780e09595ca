#pragma once

// A private directory for files a test writes, removed with everything in
// it when the object goes.

#include <filesystem>
#include <map>
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

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileText(const std::filesystem::path& path);
// Every file under the directory, by its path inside it ("unit-2/flash-rom.bin"),
// with its bytes: what "left byte for byte unchanged" compares.
std::map<std::string, std::string> DirectorySnapshot(const std::filesystem::path& directory);

}  // namespace rf::test
