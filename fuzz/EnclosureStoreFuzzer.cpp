// The emulated enclosure kept in a directory, read from bytes: its
// configuration (the input's text) and memory files of any size.

#include <cstdint>
#include <map>
#include <string>

#include "emulator/EnclosureStore.h"
#include "fuzz/FuzzFiles.h"

namespace {

constexpr const char* kFiles[] = {"flash-rom.bin", "seeprom-host.bin", "seeprom-cpu.bin",
                                  "ui-flash.bin", "ui-spi-flash.bin"};

class CInputFiles final : public rf::emu::IStoreFiles {
public:
    explicit CInputFiles(std::map<std::string, std::string> files) : m_files(std::move(files)) {}

    std::string Name(const char* pszFile) const override { return pszFile; }
    bool Read(const char* pszFile, std::string& strContents, std::string& strError) const override {
        const std::string strName = std::string(pszFile) == "enclosure.conf" ? "" : pszFile;
        const auto it = m_files.find(strName);
        if (it == m_files.end()) {
            strError = "cannot read " + Name(pszFile);
            return false;
        }
        strContents = it->second;
        return true;
    }

private:
    std::map<std::string, std::string> m_files;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    rf::fuzz::CFuzzEnvironment env;
    rf::fuzz::CFuzzInput input(pData, nSize);
    const CInputFiles files(rf::fuzz::TakeFiles(input, kFiles));
    std::string strError;
    if (const auto pEnclosure = rf::emu::LoadEnclosure(files, strError)) {
        // What was loaded is saved as it was read.
        (void)rf::emu::EnclosureState(*pEnclosure);
    }
    return 0;
}
