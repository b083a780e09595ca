#pragma once

// An emulated enclosure attached as /dev/sg1, a device object for it, and
// the test environment (virtual clock, headless loop, default options).

#include <memory>
#include <string>

#include "device/ScsiDevice.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "emulator/EmulatedEnclosure.h"
#include "emulator/UiController.h"
#include "support/TestEnvironment.h"

namespace rf::test {

class CEmulatorFixture {
public:
    explicit CEmulatorFixture(const std::string& strFlashChip = "SST SST39VF020",
                              const std::string& strBus = "usb2");

    // Opens (and identifies) the device; false when it is not accepted.
    bool OpenDevice() { return device.Open(kPath); }
    // Puts firmware into the FLASH-ROM and restarts the bridge from it.
    void InstallFirmware(const std::vector<BYTE>& image);
    // The first nSize bytes of the FLASH-ROM as the chip holds them.
    std::vector<BYTE> FlashContents(std::size_t nSize) const;
    // Fits a front-panel controller with the named SPI flash part: both
    // memories blank, so it reports state 0 until it is given firmware.
    emu::CEmulatedUiController& FitUiController(const std::string& strSpiChip = "WINBOND W25X40A",
                                                const emu::UiControllerSettings& settings = {});

    static constexpr const char16_t* kPath = u"/dev/sg1";

    CTestEnvironment env;
    emu::CEmulatedDeviceSystem system;
    std::shared_ptr<emu::CEmulatedEnclosure> enclosure;
    CScsiDevice device;
};

}  // namespace rf::test
