#include "emulator/EnclosureStore.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "base/FilePath.h"
#include "base/Text.h"
#include "emulator/UiController.h"

namespace fs = std::filesystem;

namespace rf::emu {

namespace {

constexpr char kConfigFile[] = "enclosure.conf";
constexpr char kFlashFile[] = "flash-rom.bin";
constexpr char kHostEepromFile[] = "seeprom-host.bin";
constexpr char kCpuEepromFile[] = "seeprom-cpu.bin";
// Only with a front-panel controller fitted; directories kept before it
// could be fitted have neither the files nor the keys, and load without one.
constexpr char kUiFlashFile[] = "ui-flash.bin";
constexpr char kSpiFlashFile[] = "ui-spi-flash.bin";
constexpr char kSpiChipKey[] = "ui-spi-chip";
constexpr char kUiFlashKey[] = "ui-flash";
constexpr char kUiSecurityKey[] = "ui-security";
constexpr char kUiDebuggerKey[] = "ui-debugger";
constexpr char kUiEmptyHeaderKey[] = "ui-empty-resource-header";
constexpr char kEmulatedMarkKey[] = "emulated-mark";

// How the controller's program flash stands: firmware it starts, programmed
// but not yet closed by the security setting, or anything less.
constexpr char kFlashValid[] = "valid";
constexpr char kFlashProgrammed[] = "programmed";
constexpr char kFlashIncomplete[] = "incomplete";

// No memory of the enclosure is larger; a file that is, is not read into
// memory to find out that it does not fit.
constexpr std::uintmax_t kMaxStoreFileBytes = 64 * 1024 * 1024;

class CDirectoryFiles : public IStoreFiles {
public:
    explicit CDirectoryFiles(fs::path directory) : m_directory(std::move(directory)) {}

    std::string Name(const char* pszFile) const override {
        return PathToUtf8(m_directory / pszFile);
    }
    bool Read(const char* pszFile, std::string& strContents, std::string& strError) const override {
        const fs::path path = m_directory / pszFile;
        std::error_code error;
        if (const std::uintmax_t nSize = fs::file_size(path, error);
            !error && nSize > kMaxStoreFileBytes) {
            strError = Name(pszFile) + " holds " + std::to_string(nSize) +
                       " bytes, more than any memory of the enclosure";
            return false;
        }
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            strError = "cannot read " + Name(pszFile);
            return false;
        }
        std::ostringstream buffer;
        buffer << file.rdbuf();
        strContents = buffer.str();
        return true;
    }

private:
    fs::path m_directory;
};

std::string Bytes(const std::vector<BYTE>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

bool LoadMemory(const IStoreFiles& files, const char* pszFile, std::size_t nSize,
                std::vector<BYTE>& memory, std::string& strError) {
    std::string strContents;
    if (!files.Read(pszFile, strContents, strError)) {
        return false;
    }
    if (strContents.size() != nSize) {
        strError = files.Name(pszFile) + " holds " + std::to_string(strContents.size()) +
                   " bytes, not " + std::to_string(nSize);
        return false;
    }
    memory.assign(strContents.begin(), strContents.end());
    return true;
}

std::string YesNo(bool bValue) {
    return bValue ? "yes" : "no";
}

bool ParseYesNo(const std::string& strValue, bool& bValue) {
    bValue = strValue == "yes";
    return bValue || strValue == "no";
}

std::string FlashState(const UiProgramFlash& flash) {
    return flash.bValid ? kFlashValid : flash.bProgrammed ? kFlashProgrammed : kFlashIncomplete;
}

std::string UiConfig(const CEmulatedUiController& controller) {
    const UiProgramFlash& flash = controller.ProgramFlash();
    std::string strConfig;
    strConfig += std::string(kSpiChipKey) + "=" + controller.SpiFlash().Model().pszName + "\n";
    strConfig += std::string(kUiFlashKey) + "=" + FlashState(flash) + "\n";
    strConfig += std::string(kUiSecurityKey) + "=" + HexBytes(flash.security) + "\n";
    strConfig +=
        std::string(kUiDebuggerKey) + "=" + YesNo(controller.Settings().bDebuggerBuild) + "\n";
    strConfig += std::string(kUiEmptyHeaderKey) + "=" +
                 YesNo(controller.Settings().bEmptyResourceHeader) + "\n";
    return strConfig;
}

// Fits the controller the configuration describes; true with nothing
// fitted when it describes none.
bool LoadUiController(std::map<std::string, std::string>& values, const IStoreFiles& files,
                      CEmulatedEnclosure& enclosure, std::string& strError) {
    if (!values.contains(kSpiChipKey)) {
        return true;
    }
    const std::string strWhere = files.Name(kConfigFile) + ": ";
    const SpiChipModel* pChip = FindSpiChipModel(values[kSpiChipKey]);
    if (pChip == nullptr) {
        strError = strWhere + "unknown SPI flash chip \"" + values[kSpiChipKey] + "\"";
        return false;
    }
    UiControllerSettings settings;
    if (!ParseYesNo(values[kUiDebuggerKey], settings.bDebuggerBuild) ||
        !ParseYesNo(values[kUiEmptyHeaderKey], settings.bEmptyResourceHeader)) {
        strError =
            strWhere + kUiDebuggerKey + " and " + kUiEmptyHeaderKey + " must be \"yes\" or \"no\"";
        return false;
    }
    UiProgramFlash flash;
    const std::string& strState = values[kUiFlashKey];
    if (strState != kFlashValid && strState != kFlashProgrammed && strState != kFlashIncomplete) {
        strError = strWhere + "unknown UI flash state \"" + strState + "\"";
        return false;
    }
    flash.bValid = strState == kFlashValid;
    flash.bProgrammed = strState != kFlashIncomplete;
    const std::string& strSecurity = values[kUiSecurityKey];
    if (strSecurity.size() != 4 ||
        !ParseHexBytes(strSecurity, flash.security.data(), flash.security.size())) {
        strError = strWhere + "UI security bytes \"" + strSecurity + "\" are not four hex digits";
        return false;
    }
    std::vector<BYTE> spi;
    if (!LoadMemory(files, kUiFlashFile, kUiFlashSize, flash.contents, strError) ||
        !LoadMemory(files, kSpiFlashFile, pChip->nSize, spi, strError)) {
        return false;
    }
    CEmulatedUiController& controller = FitUiController(enclosure, *pChip, settings);
    controller.RestoreProgramFlash(flash);
    controller.SpiFlash().SetContents(spi);
    return true;
}

}  // namespace

bool EnclosureExists(const std::string& strDirectory) {
    std::error_code error;
    return fs::exists(PathFromUtf8(strDirectory) / kConfigFile, error);
}

namespace {

// What the directory holds for the enclosure, file by file, in the order
// they are written: the configuration last, so that a directory with one
// names memories that are all there.
std::vector<std::pair<const char*, std::string>> EnclosureFiles(
    const CEmulatedEnclosure& enclosure) {
    std::vector<std::pair<const char*, std::string>> files;
    std::string strConfig;
    strConfig += std::string("flash-chip=") + enclosure.Flash().Model().pszName + "\n";
    strConfig += std::string("bus=") + enclosure.Bus().pszName + "\n";
    strConfig += "vendor=" + enclosure.Vendor() + "\n";
    strConfig += "product=" + enclosure.Product() + "\n";
    strConfig += std::string(kEmulatedMarkKey) + "=" + YesNo(enclosure.HasEmulatedMark()) + "\n";
    if (const CEmulatedUiController* pUi = FittedUiController(enclosure)) {
        strConfig += UiConfig(*pUi);
        files.emplace_back(kUiFlashFile, Bytes(pUi->ProgramFlash().contents));
        files.emplace_back(kSpiFlashFile, Bytes(pUi->SpiFlash().Contents()));
    }
    files.emplace_back(kFlashFile, Bytes(enclosure.Flash().Contents()));
    files.emplace_back(kHostEepromFile, Bytes(enclosure.HostEeprom()));
    files.emplace_back(kCpuEepromFile, Bytes(enclosure.CpuEeprom()));
    files.emplace_back(kConfigFile, std::move(strConfig));
    return files;
}

}  // namespace

bool SaveEnclosure(const CEmulatedEnclosure& enclosure, const std::string& strDirectory,
                   std::string& strError) {
    std::error_code error;
    const fs::path directory = PathFromUtf8(strDirectory);
    fs::create_directories(directory, error);
    if (error) {
        strError = "cannot create " + strDirectory + ": " + error.message();
        return false;
    }
    for (const auto& [pszName, strContents] : EnclosureFiles(enclosure)) {
        if (!WriteFileAtomically(directory / pszName, strContents, strError)) {
            return false;
        }
    }
    return true;
}

std::string EnclosureState(const CEmulatedEnclosure& enclosure) {
    std::string strState;
    for (const auto& [pszName, strContents] : EnclosureFiles(enclosure)) {
        strState +=
            std::string(pszName) + "=" + std::to_string(strContents.size()) + ":" + strContents;
    }
    return strState;
}

std::unique_ptr<CEmulatedEnclosure> LoadEnclosure(const std::string& strDirectory,
                                                  std::string& strError) {
    return LoadEnclosure(CDirectoryFiles(PathFromUtf8(strDirectory)), strError);
}

std::unique_ptr<CEmulatedEnclosure> LoadEnclosure(const IStoreFiles& files, std::string& strError) {
    std::string strConfig;
    if (!files.Read(kConfigFile, strConfig, strError)) {
        return nullptr;
    }
    std::map<std::string, std::string> values;
    std::istringstream lines(strConfig);
    for (std::string strLine; std::getline(lines, strLine);) {
        // A file edited on Windows ends its lines with CR LF.
        if (strLine.ends_with('\r')) {
            strLine.pop_back();
        }
        const std::size_t nEquals = strLine.find('=');
        if (nEquals != std::string::npos) {
            values[strLine.substr(0, nEquals)] = strLine.substr(nEquals + 1);
        }
    }
    const NorChipModel* pChip = FindNorChipModel(values["flash-chip"]);
    if (pChip == nullptr) {
        strError =
            files.Name(kConfigFile) + ": unknown FLASH chip \"" + values["flash-chip"] + "\"";
        return nullptr;
    }
    const BusProfile* pBus = FindBusProfile(values["bus"]);
    if (pBus == nullptr) {
        strError = files.Name(kConfigFile) + ": unknown bus \"" + values["bus"] + "\"";
        return nullptr;
    }
    auto pEnclosure = std::make_unique<CEmulatedEnclosure>(*pChip, *pBus);
    pEnclosure->SetIdentity(values["vendor"], values["product"]);
    // Kept before the mark could be taken away, an enclosure has it.
    bool bMark = true;
    if (values.contains(kEmulatedMarkKey) && !ParseYesNo(values[kEmulatedMarkKey], bMark)) {
        strError = files.Name(kConfigFile) + ": " + kEmulatedMarkKey + " must be \"yes\" or \"no\"";
        return nullptr;
    }
    pEnclosure->SetEmulatedMark(bMark);
    std::vector<BYTE> flash;
    if (!LoadMemory(files, kFlashFile, pChip->nSize, flash, strError) ||
        !LoadMemory(files, kHostEepromFile, kHostEepromSize, pEnclosure->HostEeprom(), strError) ||
        !LoadMemory(files, kCpuEepromFile, kCpuEepromSize, pEnclosure->CpuEeprom(), strError)) {
        return nullptr;
    }
    if (!LoadUiController(values, files, *pEnclosure, strError)) {
        return nullptr;
    }
    pEnclosure->Flash().SetContents(flash);
    pEnclosure->PowerOn();
    return pEnclosure;
}

}  // namespace rf::emu
