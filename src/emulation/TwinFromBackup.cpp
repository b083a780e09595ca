#include "emulation/TwinFromBackup.h"

#include <algorithm>
#include <filesystem>

#include "base/FilePath.h"
#include "base/Text.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/UiController.h"
#include "firmware/FirmwareImages.h"
#include "firmware/ImageKinds.h"

namespace rf {

namespace {

constexpr char kProvenanceFile[] = "twin.conf";
constexpr char kBackupKey[] = "backup=";
constexpr char kModelledKey[] = "modelled=";
constexpr std::size_t kInfoBlockOffset = 0xA0;

const emu::NorChipModel* NorChipById(WORD wId) {
    for (const emu::NorChipModel& model : emu::NorChipModels()) {
        if ((model.nManufacturer | model.nDevice << 8) == wId) {
            return &model;
        }
    }
    return nullptr;
}

const emu::SpiChipModel* SpiChipById(WORD wId) {
    for (const emu::SpiChipModel& model : emu::SpiChipModels()) {
        if ((model.nManufacturer | model.nDevice << 8) == wId) {
            return &model;
        }
    }
    return nullptr;
}

// The link the unit's bus stands for: the first profile of its kind and
// version, which is the fast host of that bus.
const emu::BusProfile* LinkOfBus(const UnitManifest& manifest) {
    for (const emu::BusProfile& profile : emu::BusProfiles()) {
        if (profile.nBusType == manifest.nBusType && profile.nMajorVersion == manifest.nBusMajor &&
            profile.nMinorVersion == manifest.nBusMinor) {
            return &profile;
        }
    }
    for (const emu::BusProfile& profile : emu::BusProfiles()) {
        if (profile.nBusType == manifest.nBusType) {
            return &profile;
        }
    }
    return nullptr;
}

// The carried test image of the UI firmware with this version.
std::span<const BYTE> UiFirmwareOfVersion(WORD wVersion) {
    for (const FirmwareImage& image : FirmwareImages()) {
        const std::span<const BYTE> bytes = image.pBytes();
        // Long enough to hold the build date and time after the version.
        if (IsValidImage(MemoryKind::Ui, bytes) &&
            bytes.size() >= ImageVersionOffset(MemoryKind::Ui) + 6 &&
            ImageVersionText(MemoryKind::Ui, bytes) == Utf16ToUtf8(Hex(wVersion, 4))) {
            return bytes;
        }
    }
    return {};
}

// A memory file the manifest says the backup holds, of the size it says.
bool LoadBackupFile(const std::filesystem::path& directory, MemoryKind kind,
                    const UnitManifest& manifest, std::vector<BYTE>& bytes, std::string& strError) {
    const char* pszFile = MemoryKindOf(kind).pszBackupFile;
    const std::filesystem::path path = directory / pszFile;
    if (!ReadFileBytes(path, bytes)) {
        strError = PathToUtf8(path) + " is missing or cannot be read";
        return false;
    }
    const std::uint32_t nExpected = manifest.memories[kind].nBytes;
    if (bytes.size() != nExpected) {
        strError = PathToUtf8(path) + " holds " + std::to_string(bytes.size()) +
                   " bytes; the manifest says " + std::to_string(nExpected);
        return false;
    }
    return true;
}

bool ExpectSize(const std::filesystem::path& directory, MemoryKind kind, std::size_t nSize,
                const std::vector<BYTE>& bytes, const char* pszWhat, std::string& strError) {
    if (bytes.size() != nSize) {
        strError = PathToUtf8(directory / MemoryKindOf(kind).pszBackupFile) + " holds " +
                   std::to_string(bytes.size()) + " bytes, not the " + std::to_string(nSize) +
                   " of " + pszWhat;
        return false;
    }
    return true;
}

bool FitUi(emu::CEmulatedEnclosure& enclosure, const UnitManifest& manifest,
           const std::filesystem::path& directory, TwinProvenance& provenance,
           std::string& strError) {
    const ManifestMemory& resource = manifest.memories[MemoryKind::Resource];
    const emu::SpiChipModel* pSpi = nullptr;
    if (manifest.spiChip.id) {
        pSpi = SpiChipById(*manifest.spiChip.id);
        if (pSpi == nullptr) {
            strError = "the SPI flash chip " + Utf16ToUtf8(Hex(*manifest.spiChip.id, 4)) + " (" +
                       manifest.spiChip.strName + ") is not one the emulated enclosure models";
            return false;
        }
    } else {
        pSpi = emu::FindSpiChipModel(kUsualSpiChip);
        provenance.modelled.push_back(kModelledSpiChip);
    }
    std::vector<BYTE> spi(pSpi->nSize, 0xFF);
    if (resource.read == MemoryRead::Whole) {
        if (!LoadBackupFile(directory, MemoryKind::Resource, manifest, spi, strError) ||
            !ExpectSize(directory, MemoryKind::Resource, pSpi->nSize, spi, pSpi->pszName,
                        strError)) {
            return false;
        }
    } else {
        provenance.modelled.push_back(kModelledResource);
    }

    emu::UiControllerSettings settings;
    settings.bDebuggerBuild = manifest.bUiDebugger;
    emu::CEmulatedUiController& controller = emu::FitUiController(enclosure, *pSpi, settings);
    controller.SpiFlash().SetContents(spi);
    const ManifestMemory& ui = manifest.memories[MemoryKind::Ui];
    std::span<const BYTE> firmware;
    std::vector<BYTE> patched;
    if (manifest.bUiDebugger) {
        // A debugger build reports no version of its own code.
        firmware = FindFirmwareImage(FirmwareSets().front().nUiFirmware);
        provenance.modelled.push_back(kModelledUiDebugger);
    } else if (ui.wVersion == 0 || ui.wVersion == 0xFFFF) {
        provenance.modelled.push_back(kModelledUiBlank);
        return true;
    } else {
        const std::span<const BYTE> carried = UiFirmwareOfVersion(ui.wVersion);
        if (carried.empty()) {
            strError = "the unit's UI firmware " + Utf16ToUtf8(Hex(ui.wVersion, 4)) +
                       " cannot be read back, and no carried image of that version can stand in "
                       "for it";
            return false;
        }
        // The unit's build date and time go with it: the update compares
        // all three to decide whether the unit's firmware is older.
        patched.assign(carried.begin(), carried.end());
        const std::size_t nAt = ImageVersionOffset(MemoryKind::Ui);
        const std::pair<std::size_t, WORD> fields[] = {{nAt + 2, ui.wDate}, {nAt + 4, ui.wTime}};
        for (const auto& [nOffset, wValue] : fields) {
            patched[nOffset] = static_cast<BYTE>(wValue & 0xFF);
            patched[nOffset + 1] = static_cast<BYTE>(wValue >> 8);
        }
        firmware = patched;
        provenance.modelled.push_back(kModelledUiFirmware);
    }
    controller.InstallFirmware(firmware);
    if (manifest.infoBlock) {
        emu::UiProgramFlash flash = controller.ProgramFlash();
        std::copy(manifest.infoBlock->begin(), manifest.infoBlock->end(),
                  flash.contents.begin() + kInfoBlockOffset);
        controller.RestoreProgramFlash(flash);
    }
    return true;
}

}  // namespace

std::shared_ptr<emu::CEmulatedEnclosure> MakeTwinFromBackup(const std::string& strBackup,
                                                            const UnitManifest& manifest,
                                                            TwinProvenance& provenance,
                                                            std::string& strError) {
    const std::filesystem::path directory = PathFromUtf8(strBackup);
    provenance = TwinProvenance{PathToUtf8(std::filesystem::absolute(directory)), {}};
    for (const MemoryKind kind : {MemoryKind::Flash, MemoryKind::Host, MemoryKind::Cpu}) {
        if (manifest.memories[kind].read == MemoryRead::Unreadable) {
            strError = std::string("the backup holds no ") + MemoryKindOf(kind).pszBackupFile;
            return nullptr;
        }
    }
    const emu::BusProfile* pBus = LinkOfBus(manifest);
    if (pBus == nullptr) {
        strError = "no emulated link stands for the unit's bus \"" + manifest.strBusName + "\"";
        return nullptr;
    }
    provenance.modelled.push_back(kModelledLink);
    const emu::NorChipModel* pFlash = nullptr;
    if (manifest.flashChip.id) {
        pFlash = NorChipById(*manifest.flashChip.id);
        if (pFlash == nullptr) {
            strError = "the FLASH chip " + Utf16ToUtf8(Hex(*manifest.flashChip.id, 4)) + " (" +
                       manifest.flashChip.strName + ") is not one the emulated enclosure models";
            return nullptr;
        }
    } else {
        pFlash = emu::FindNorChipModel(kUsualFlashChip);
        provenance.modelled.push_back(kModelledFlashChip);
    }

    std::vector<BYTE> flashFile;
    std::vector<BYTE> host;
    std::vector<BYTE> cpu;
    if (!LoadBackupFile(directory, MemoryKind::Flash, manifest, flashFile, strError) ||
        !LoadBackupFile(directory, MemoryKind::Host, manifest, host, strError) ||
        !ExpectSize(directory, MemoryKind::Host, emu::kHostEepromSize, host, "SEEPROM(Host)",
                    strError) ||
        !LoadBackupFile(directory, MemoryKind::Cpu, manifest, cpu, strError) ||
        !ExpectSize(directory, MemoryKind::Cpu, emu::kCpuEepromSize, cpu, "SEEPROM(CPU)",
                    strError)) {
        return nullptr;
    }
    if (manifest.memories[MemoryKind::Flash].read == MemoryRead::Whole &&
        flashFile.size() < pFlash->nSize) {
        strError = PathToUtf8(directory / MemoryKindOf(MemoryKind::Flash).pszBackupFile) +
                   " holds " + std::to_string(flashFile.size()) + " bytes, less than the " +
                   std::to_string(pFlash->nSize) + " of " + pFlash->pszName;
        return nullptr;
    }
    std::vector<BYTE> flash(pFlash->nSize, 0xFF);
    std::copy_n(flashFile.begin(), std::min<std::size_t>(flash.size(), flashFile.size()),
                flash.begin());
    if (flashFile.size() < flash.size()) {
        provenance.modelled.push_back(kModelledFlashRest);
    }

    auto pTwin = std::make_shared<emu::CEmulatedEnclosure>(*pFlash, *pBus);
    pTwin->SetIdentity(manifest.strVendor, manifest.strProduct);
    // A twin of a real unit is taken for one, so test images are refused
    // on it as they would be on the unit.
    pTwin->SetEmulatedMark(manifest.bEmulatedEnclosure);
    pTwin->Flash().SetContents(flash);
    pTwin->HostEeprom() = host;
    pTwin->CpuEeprom() = cpu;
    if (!FitUi(*pTwin, manifest, directory, provenance, strError)) {
        return nullptr;
    }
    pTwin->PowerOn();
    return pTwin;
}

bool SaveTwinProvenance(const std::string& strDirectory,
                        const std::optional<TwinProvenance>& provenance, std::string& strError) {
    const std::filesystem::path path = PathFromUtf8(strDirectory) / kProvenanceFile;
    if (!provenance) {
        std::error_code error;
        std::filesystem::remove(path, error);
        if (error) {
            strError = "cannot remove " + PathToUtf8(path) + ": " + error.message();
            return false;
        }
        return true;
    }
    std::string strText = kBackupKey + provenance->strBackup + "\n";
    for (const std::string& strPart : provenance->modelled) {
        strText += kModelledKey + strPart + "\n";
    }
    return WriteFileAtomically(path, strText, strError);
}

std::optional<TwinProvenance> ReadTwinProvenance(const std::string& strDirectory) {
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(PathFromUtf8(strDirectory) / kProvenanceFile, bytes)) {
        return std::nullopt;
    }
    TwinProvenance provenance;
    std::string strLine;
    for (const unsigned char c : bytes) {
        if (c != '\n') {
            strLine += static_cast<char>(c);
            continue;
        }
        if (strLine.ends_with('\r')) {
            strLine.pop_back();
        }
        if (strLine.starts_with(kBackupKey)) {
            provenance.strBackup = strLine.substr(sizeof kBackupKey - 1);
        } else if (strLine.starts_with(kModelledKey)) {
            provenance.modelled.push_back(strLine.substr(sizeof kModelledKey - 1));
        }
        strLine.clear();
    }
    return provenance;
}

}  // namespace rf
