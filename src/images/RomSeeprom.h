#pragma once

// The two serial EEPROMs of the bridge. Both begin with the same 128-byte
// header: magic 0x55AA, a checksum word that makes the header's 64 words
// add up to 0, a version word at 0x1E and a serial-number field at 0x60.
// The host-side one is written by the update; the CPU-side one is only
// read, for the unit's serial number.

#include <array>
#include <string>

#include "images/RomObject.h"

namespace rf {

inline constexpr UINT kSeepromHeaderSize = 128;
inline constexpr UINT kSeepromSerialOffset = 0x60;
inline constexpr UINT kSeepromSerialLength = 32;

// Magic in place and the 64 little-endian words adding up to 0 (mod 0x10000).
bool IsValidSeepromHeader(const BYTE* pHeader);
// Sets the checksum word (bytes 2 and 3) so that the header passes the sum test.
void ComputeSeepromChecksum(BYTE* pHeader);
// The serial-number field's printable characters, as the dialogs show them
// ("Serial No."): zero bytes pad the field anywhere, so they are skipped.
std::u16string SeepromSerialText(const BYTE* pHeader);

class CRom_Host : public CRomObject {
public:
    CRom_Host();

    void UpdateRomVersion() override;
    void ReadDeviceVersion(CDevice* pDevice, IProgress* pProgress) override;
    bool NeedsUpdate(std::u16string& strTitle) override;
};

class CRom_Cpu : public CRomObject {
public:
    CRom_Cpu() = default;

    void UpdateRomVersion() override;
    void ReadDeviceVersion(CDevice* pDevice, IProgress* pProgress) override;
    bool NeedsUpdate(std::u16string& strTitle) override;

    // Bytes 0x60 to 0x7F of the device's header, from the last valid read.
    std::array<BYTE, 32> m_abSerialNo{};
    // Their printable characters, as the dialogs show them.
    std::u16string m_strSerialNo;
};

}  // namespace rf
