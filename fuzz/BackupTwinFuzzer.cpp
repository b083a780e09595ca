// A backup directory written from the input (its unit.json is the input's
// text), read as "emulator reset --from-backup" and a rehearsal read it: the
// manifest, the files it names, and the twin made of them, read back as
// the update reads a unit.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/FilePath.h"
#include "cli/TwinCheck.h"
#include "fuzz/FuzzFiles.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kFiles[] = {"flash-rom.bin", "seeprom-host.bin", "seeprom-cpu.bin",
                                  "spi-flash.bin", "ui-info-block.bin"};

// One directory for the whole run, emptied for each input.
const fs::path& BackupDirectory() {
    static const fs::path directory = [] {
        std::string strTemplate = (fs::temp_directory_path() / "reflasher-fuzz-XXXXXX").string();
        const char* pszMade = ::mkdtemp(strTemplate.data());
        return fs::path(pszMade != nullptr ? pszMade : "reflasher-fuzz-backup");
    }();
    return directory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    rf::fuzz::CFuzzEnvironment env;
    rf::fuzz::CFuzzInput input(pData, nSize);
    const fs::path& directory = BackupDirectory();
    std::error_code error;
    fs::remove_all(directory, error);
    fs::create_directories(directory, error);
    for (const auto& [strName, strContents] : rf::fuzz::TakeFiles(input, kFiles)) {
        std::ofstream(directory / (strName.empty() ? "unit.json" : strName), std::ios::binary)
            << strContents;
    }
    rf::TwinProvenance provenance;
    std::string strError;
    (void)rf::MakeCheckedTwin(rf::PathToUtf8(directory), provenance, strError);
    return 0;
}
