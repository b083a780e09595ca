#pragma once

// The bridge firmware in the parallel FLASH-ROM. The image counts as newer
// when the device's version string sorts before the image's, and also when
// the strings are the same but the device's first block is not the image's:
// that block is written last, so a difference there is an update that lost
// its power while the chip was still programming the block (a page-write
// part programs the whole block at once, so its boot signature can be
// complete while other bytes of the block are not).

#include <array>

#include "images/RomObject.h"

namespace rf {

class CRom_Flash : public CRomObject {
public:
    CRom_Flash();

    // Rounds up to whole 512-byte blocks, the unit the bridge programs in.
    void SetDataSize(UINT nSize) override;
    void UpdateRomVersion() override;
    void ReadDeviceVersion(CDevice* pDevice, IProgress* pProgress) override;
    bool NeedsUpdate(std::u16string& strTitle) override;

    // The device's version string; no room for a terminator, so every use
    // stops at the first NUL or after 128 bytes. All zero when not read.
    std::array<BYTE, 128> m_szDeviceVersion{};
    // The device's first block, as read with the version string.
    std::array<BYTE, 128> m_abDeviceFirstBlock{};
    bool m_bDeviceFirstBlockRead = false;
};

}  // namespace rf
