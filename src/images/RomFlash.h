#pragma once

// The bridge firmware in the parallel FLASH-ROM. The image counts as newer
// when the device's version string sorts before the image's.

#include <array>

#include "images/RomObject.h"

namespace rf {

class CRom_Flash : public CRomObject {
public:
    CRom_Flash();

    // Rounds up to whole 512-byte blocks, the unit the bridge programs in.
    void SetDataSize(UINT nSize) override;
    void UpdateRomVersion() override;
    void ReadDeviceVersion(CDevice* pDevice, CProgressCtrl* pProgress) override;
    bool NeedsUpdate(std::u16string& strTitle) override;

    // The device's version string; no room for a terminator, so every use
    // stops at the first NUL or after 128 bytes. All zero when not read.
    std::array<BYTE, 128> m_szDeviceVersion{};
};

}  // namespace rf
