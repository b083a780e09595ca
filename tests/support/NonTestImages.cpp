#include "support/NonTestImages.h"

#include "firmware/FirmwareImages.h"

namespace rf::test {

namespace {

std::size_t CodeOffset(UINT nId) {
    switch (nId) {
        case IDR_SEEPROM_HOST:
            return 0x80;
        case IDR_BRIDGE_FIRMWARE:
            return 0x2C0;
        case IDR_UI_FIRMWARE:
            return 0xB0;
        default:
            return 0x100;
    }
}

}  // namespace

std::vector<BYTE> NonTestImage(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    std::vector<BYTE> bytes(image.begin(), image.end());
    bytes[CodeOffset(nId)] ^= 0x01;
    return bytes;
}

}  // namespace rf::test
