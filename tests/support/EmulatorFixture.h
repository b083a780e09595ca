#pragma once

// An emulated enclosure attached as /dev/sg1, a device object for it, and
// the test environment (virtual clock, headless loop, default options).

#include <memory>
#include <string>

#include "device/ScsiDevice.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "emulator/EmulatedEnclosure.h"
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

    static constexpr const char16_t* kPath = u"/dev/sg1";

    CTestEnvironment env;
    emu::CEmulatedDeviceSystem system;
    std::shared_ptr<emu::CEmulatedEnclosure> enclosure;
    CScsiDevice device;
};

}  // namespace rf::test
