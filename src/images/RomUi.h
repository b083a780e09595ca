#pragma once

// The front-panel UI controller's firmware and its resource data in the
// SPI flash. Both carry a version, a build date and a build time, and an
// image counts as newer when the device's three values are lower.

#include <array>
#include <compare>
#include <string>

#include "images/RomObject.h"

namespace rf {

// Compared field by field, in this order, as unsigned numbers.
struct VersionTriple {
    WORD wVersion = 0;
    WORD wDate = 0;
    WORD wTime = 0;

    auto operator<=>(const VersionTriple&) const = default;
};

// What the controller reports while it runs a debugger build.
inline constexpr VersionTriple kDebuggerTriple{0x1234, 0x5678, 0xABCD};

// How the unit's information block fared in the last device read. Only a
// block that was read is the unit's: a block that was not is never taken
// for an erased one.
enum class InfoBlockRead {
    NotAsked,    // no firmware answered: nothing read of the controller
    Read,        // read whole; m_abUiSerialNo holds it
    Refused,     // asked, but it did not come whole
    NotHeld,     // the firmware predates the block and keeps none
    NoFirmware,  // the controller runs its loader: its flash holds no firmware to ask
};

class CRom_UI78K : public CRomObject {
public:
    CRom_UI78K();

    void UpdateRomVersion() override;
    void ReadDeviceVersion(CDevice* pDevice, IProgress* pProgress) override;
    // Never while the device runs its debugger build, which also locks the box.
    bool NeedsUpdate(std::u16string& strTitle) override;

    bool m_bDebugger = false;
    WORD m_wDeviceDate = 0;
    WORD m_wDeviceTime = 0;
    // The unit's information block (controller address 0x00A0), written
    // back into the image before programming so that the unit keeps it.
    // All 0xFF until a block was read whole.
    std::array<BYTE, 16> m_abUiSerialNo;
    InfoBlockRead m_eInfoBlock = InfoBlockRead::NotAsked;
    std::u16string m_strUiSerialNo;
};

class CRom_UIRSC : public CRomObject {
public:
    CRom_UIRSC();

    void UpdateRomVersion() override;
    // Asks the controller for the header; when it answers an empty one,
    // reads the header straight from the SPI flash.
    void ReadDeviceVersion(CDevice* pDevice, IProgress* pProgress) override;
    bool NeedsUpdate(std::u16string& strTitle) override;

    WORD m_wDeviceDate = 0;
    WORD m_wDeviceTime = 0;
};

}  // namespace rf
