#pragma once

// How an emulated front-panel controller is made up (kept with the
// enclosure) and how long its work takes (fixed by the parts, tests may
// change it).

#include <array>
#include <cstdint>

#include "base/Types.h"

namespace rf::emu {

// The controller's program flash, as its firmware image covers it.
inline constexpr std::uint32_t kUiFlashSize = 0xF000;

struct UiControllerSettings {
    // The firmware runs under a debugger, which reports its own version triple.
    bool bDebuggerBuild = false;
    // The firmware answers the resource-header query with zero bytes, as
    // builds do that leave the header to be read from the SPI flash.
    bool bEmptyResourceHeader = false;
};

struct UiControllerTiming {
    // The serial line between bridge and controller: 115,200 bit/s, ten
    // bits a byte.
    std::uint32_t nLinkByteNanoseconds = 86'806;
    // The controller's SPI port clocks at 2 MHz.
    std::uint32_t nSpiByteNanoseconds = 4'000;
    // After mode 1 (or 2) the controller restarts its firmware; the other
    // switches are quick.
    std::uint32_t nFirmwareStartMicroseconds = 500'000;
    std::uint32_t nModeSwitchMicroseconds = 20'000;
    // The boot mode's own flash work.
    std::uint32_t nChipEraseMicroseconds = 600'000;
    std::uint32_t nProgramNanosecondsPerByte = 20'000;
    std::uint32_t nVerifyNanosecondsPerByte = 1'000;
    std::uint32_t nInternalVerifyMicroseconds = 10'000;
    std::uint32_t nSecurityMicroseconds = 40'000;
    // How long the bridge waits for an answer still on the line before it
    // reports that nothing came.
    std::uint32_t nBridgeReadWaitMicroseconds = 50'000;
    // Loaders differ in how they acknowledge the security data frame: with
    // a command's one-byte status, or with the two-byte status of a data
    // frame.
    bool bTwoByteSecurityStatus = false;
    // A loader whose boot area is protected takes the security data frame
    // (ACK first, in the two-byte form) and refuses the setting: the flash
    // then never counts as firmware.
    bool bRefuseSecuritySetting = false;
};

// What the boot mode reports for command 0xC5: the device's signature
// version and the loader's own version, three bytes each.
inline constexpr std::array<BYTE, 6> kUiBootLoaderVersion = {0x00, 0x00, 0x00, 0x03, 0x04, 0x00};

}  // namespace rf::emu
