#include "support/EmulatorFixture.h"

namespace rf::test {

CEmulatorFixture::CEmulatorFixture(const std::string& strFlashChip, const std::string& strBus)
    : enclosure(std::make_shared<emu::CEmulatedEnclosure>(*emu::FindNorChipModel(strFlashChip),
                                                          *emu::FindBusProfile(strBus))),
      device(system) {
    system.Attach(kPath, enclosure);
}

void CEmulatorFixture::InstallFirmware(const std::vector<BYTE>& image) {
    enclosure->Flash().SetContents(image);
    enclosure->PowerOn();
}

std::vector<BYTE> CEmulatorFixture::FlashContents(std::size_t nSize) const {
    const auto& contents = enclosure->Flash().Contents();
    return std::vector<BYTE>(contents.begin(),
                             contents.begin() + static_cast<std::ptrdiff_t>(nSize));
}

emu::CEmulatedUiController& CEmulatorFixture::FitUiController(
    const std::string& strSpiChip, const emu::UiControllerSettings& settings) {
    return emu::FitUiController(*enclosure, *emu::FindSpiChipModel(strSpiChip), settings);
}

}  // namespace rf::test
