#include "emulation/EmulatorPresets.h"

#include <algorithm>

#include "emulator/UiController.h"
#include "firmware/FirmwareImages.h"

namespace rf {

namespace {

// What each preset changes from a unit that left the factory with the
// oldest firmware.
struct PresetRecipe {
    EmulatorPreset preset;
    int nFirmwareSet;      // index into the shipped sets; -1: the newest
    bool bBridgeFirmware;  // false: the FLASH-ROM holds no firmware (ROM mode)
    bool bUiFirmware;      // false: the controller has no firmware to start
    bool bDebuggerBuild;
    const char* pszBus;
    const char* pszFlashChip;
    const char* pszSpiChip;
};

constexpr PresetRecipe kPresets[] = {
    {{"row1", "the oldest shipped firmware, on USB 2.0"},
     0,
     true,
     true,
     false,
     "usb2",
     kUsualFlashChip,
     kUsualSpiChip},
    {{"row2", "the second shipped firmware"},
     1,
     true,
     true,
     false,
     "usb2",
     kUsualFlashChip,
     kUsualSpiChip},
    {{"current", "the firmware this release carries"},
     -1,
     true,
     true,
     false,
     "usb2",
     kUsualFlashChip,
     kUsualSpiChip},
    {{"rom-mode", "a bridge without firmware in its FLASH-ROM"},
     0,
     false,
     true,
     false,
     "usb2",
     "AMD AM29LV010B",
     kUsualSpiChip},
    {{"ui-state0", "a front panel without firmware, waiting to be switched"},
     0,
     true,
     false,
     false,
     "usb2",
     kUsualFlashChip,
     kUsualSpiChip},
    {{"debugger", "a front panel running a debugger build"},
     0,
     true,
     true,
     true,
     "usb2",
     kUsualFlashChip,
     kUsualSpiChip},
    {{"usb11", "the oldest firmware on a full-speed USB 1.1 link"},
     0,
     true,
     true,
     false,
     "usb11",
     kUsualFlashChip,
     kUsualSpiChip},
    {{"unknown-spi", "a front panel with an SPI flash the updater does not know"},
     0,
     true,
     true,
     false,
     "usb2",
     kUsualFlashChip,
     "MACRONIX MX25L4005A"},
};

std::span<const BYTE> Image(UINT nId) {
    return FindFirmwareImage(nId);
}

constexpr char kUnitName[] = "DVX44-UI-004870";

}  // namespace

std::vector<EmulatorPreset> EmulatorPresets() {
    std::vector<EmulatorPreset> presets;
    for (const PresetRecipe& recipe : kPresets) {
        presets.push_back(recipe.preset);
    }
    return presets;
}

std::shared_ptr<emu::CEmulatedEnclosure> MakeEmulatedEnclosure(std::string_view preset,
                                                               const std::string& strFlashChip,
                                                               const std::string& strSpiChip,
                                                               std::string& strError) {
    const auto it =
        std::find_if(std::begin(kPresets), std::end(kPresets),
                     [&](const PresetRecipe& recipe) { return preset == recipe.preset.pszName; });
    if (it == std::end(kPresets)) {
        strError = "unknown preset \"" + std::string(preset) + "\"";
        return nullptr;
    }
    const std::string strFlash = strFlashChip.empty() ? it->pszFlashChip : strFlashChip;
    const std::string strSpi = strSpiChip.empty() ? it->pszSpiChip : strSpiChip;
    const emu::NorChipModel* pFlash = emu::FindNorChipModel(strFlash);
    const emu::SpiChipModel* pSpi = emu::FindSpiChipModel(strSpi);
    if (pFlash == nullptr) {
        strError = "unknown FLASH chip \"" + strFlash + "\"";
        return nullptr;
    }
    if (pSpi == nullptr) {
        strError = "unknown SPI flash chip \"" + strSpi + "\"";
        return nullptr;
    }
    const std::span<const FirmwareSet> sets = FirmwareSets();
    const FirmwareSet& set =
        it->nFirmwareSet < 0 ? sets.back() : sets[static_cast<std::size_t>(it->nFirmwareSet)];

    auto pEnclosure =
        std::make_shared<emu::CEmulatedEnclosure>(*pFlash, *emu::FindBusProfile(it->pszBus));
    if (it->bBridgeFirmware) {
        pEnclosure->Flash().SetContents(Image(set.nBridgeFirmware));
    }
    const std::span<const BYTE> host = Image(set.nSeepromHost);
    std::copy(host.begin(),
              host.begin() + static_cast<std::ptrdiff_t>(
                                 std::min(host.size(), pEnclosure->HostEeprom().size())),
              pEnclosure->HostEeprom().begin());
    const std::span<const BYTE> cpu = Image(set.nSeepromCpu);
    std::copy(cpu.begin(),
              cpu.begin() +
                  static_cast<std::ptrdiff_t>(std::min(cpu.size(), pEnclosure->CpuEeprom().size())),
              pEnclosure->CpuEeprom().begin());

    emu::UiControllerSettings settings;
    settings.bDebuggerBuild = it->bDebuggerBuild;
    emu::CEmulatedUiController& controller = emu::FitUiController(*pEnclosure, *pSpi, settings);
    if (it->bUiFirmware) {
        controller.InstallFirmware(Image(set.nUiFirmware));
        // The unit's own name lives in its controller's information block,
        // which updates keep.
        emu::UiProgramFlash flash = controller.ProgramFlash();
        std::copy(std::begin(kUnitName), std::end(kUnitName) - 1,
                  flash.contents.begin() + kUiInfoBlockOffset);
        controller.RestoreProgramFlash(flash);
    }
    controller.SpiFlash().SetContents(Image(set.nUiResource));
    pEnclosure->PowerOn();
    return pEnclosure;
}

bool AttachByLink(emu::CEmulatedEnclosure& enclosure, std::string_view link,
                  std::string& strError) {
    const emu::BusProfile* pBus = emu::FindBusProfile(link);
    if (pBus == nullptr) {
        strError = "unknown link \"" + std::string(link) + "\"; the links are:";
        for (const emu::BusProfile& profile : emu::BusProfiles()) {
            strError += std::string(" ") + profile.pszName;
        }
        return false;
    }
    enclosure.SetBus(*pBus);
    return true;
}

}  // namespace rf
