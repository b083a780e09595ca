#include "emulator/EnclosureStore.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace rf::emu {

namespace {

constexpr char kConfigFile[] = "enclosure.conf";
constexpr char kFlashFile[] = "flash-rom.bin";
constexpr char kHostEepromFile[] = "seeprom-host.bin";
constexpr char kCpuEepromFile[] = "seeprom-cpu.bin";

bool WriteFileAtomically(const fs::path& path, const std::string& strContents,
                         std::string& strError) {
    const fs::path temporary = path.string() + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(strContents.data(), static_cast<std::streamsize>(strContents.size()));
        if (!file) {
            strError = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        strError = "cannot replace " + path.string() + ": " + error.message();
        return false;
    }
    return true;
}

bool ReadFile(const fs::path& path, std::string& strContents, std::string& strError) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        strError = "cannot read " + path.string();
        return false;
    }
    std::ostringstream buffer;
    buffer << file.rdbuf();
    strContents = buffer.str();
    return true;
}

std::string Bytes(const std::vector<BYTE>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

bool LoadMemory(const fs::path& path, std::size_t nSize, std::vector<BYTE>& memory,
                std::string& strError) {
    std::string strContents;
    if (!ReadFile(path, strContents, strError)) {
        return false;
    }
    if (strContents.size() != nSize) {
        strError = path.string() + " holds " + std::to_string(strContents.size()) + " bytes, not " +
                   std::to_string(nSize);
        return false;
    }
    memory.assign(strContents.begin(), strContents.end());
    return true;
}

}  // namespace

bool EnclosureExists(const std::string& strDirectory) {
    std::error_code error;
    return fs::exists(fs::path(strDirectory) / kConfigFile, error);
}

bool SaveEnclosure(const CEmulatedEnclosure& enclosure, const std::string& strDirectory,
                   std::string& strError) {
    std::error_code error;
    fs::create_directories(strDirectory, error);
    if (error) {
        strError = "cannot create " + strDirectory + ": " + error.message();
        return false;
    }
    std::string strConfig;
    strConfig += std::string("flash-chip=") + enclosure.Flash().Model().pszName + "\n";
    strConfig += std::string("bus=") + enclosure.Bus().pszName + "\n";
    strConfig += "vendor=" + enclosure.Vendor() + "\n";
    strConfig += "product=" + enclosure.Product() + "\n";
    const fs::path directory(strDirectory);
    return WriteFileAtomically(directory / kFlashFile, Bytes(enclosure.Flash().Contents()),
                               strError) &&
           WriteFileAtomically(directory / kHostEepromFile, Bytes(enclosure.HostEeprom()),
                               strError) &&
           WriteFileAtomically(directory / kCpuEepromFile, Bytes(enclosure.CpuEeprom()),
                               strError) &&
           WriteFileAtomically(directory / kConfigFile, strConfig, strError);
}

std::unique_ptr<CEmulatedEnclosure> LoadEnclosure(const std::string& strDirectory,
                                                  std::string& strError) {
    const fs::path directory(strDirectory);
    std::string strConfig;
    if (!ReadFile(directory / kConfigFile, strConfig, strError)) {
        return nullptr;
    }
    std::map<std::string, std::string> values;
    std::istringstream lines(strConfig);
    for (std::string strLine; std::getline(lines, strLine);) {
        const std::size_t nEquals = strLine.find('=');
        if (nEquals != std::string::npos) {
            values[strLine.substr(0, nEquals)] = strLine.substr(nEquals + 1);
        }
    }
    const NorChipModel* pChip = FindNorChipModel(values["flash-chip"]);
    if (pChip == nullptr) {
        strError = (directory / kConfigFile).string() + ": unknown FLASH chip \"" +
                   values["flash-chip"] + "\"";
        return nullptr;
    }
    const BusProfile* pBus = FindBusProfile(values["bus"]);
    if (pBus == nullptr) {
        strError = (directory / kConfigFile).string() + ": unknown bus \"" + values["bus"] + "\"";
        return nullptr;
    }
    auto pEnclosure = std::make_unique<CEmulatedEnclosure>(*pChip, *pBus);
    pEnclosure->SetIdentity(values["vendor"], values["product"]);
    std::vector<BYTE> flash;
    if (!LoadMemory(directory / kFlashFile, pChip->nSize, flash, strError) ||
        !LoadMemory(directory / kHostEepromFile, kHostEepromSize, pEnclosure->HostEeprom(),
                    strError) ||
        !LoadMemory(directory / kCpuEepromFile, kCpuEepromSize, pEnclosure->CpuEeprom(),
                    strError)) {
        return nullptr;
    }
    pEnclosure->Flash().SetContents(flash);
    pEnclosure->PowerOn();
    return pEnclosure;
}

}  // namespace rf::emu
