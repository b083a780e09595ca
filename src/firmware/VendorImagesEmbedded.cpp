#include "firmware/FirmwareImages.h"
#include "firmware/VendorImages.h"

namespace rf {

// Defined by the sources the build makes from REFLASHER_FIRMWARE_DIR.
namespace firmware {
std::span<const BYTE> Vendor_bridge();
std::span<const BYTE> Vendor_host();
std::span<const BYTE> Vendor_ui();
std::span<const BYTE> Vendor_resource();
}  // namespace firmware

std::span<const BYTE> VendorImage(UINT nId) {
    switch (nId) {
        case IDR_BRIDGE_FIRMWARE:
            return firmware::Vendor_bridge();
        case IDR_SEEPROM_HOST:
            return firmware::Vendor_host();
        case IDR_UI_FIRMWARE:
            return firmware::Vendor_ui();
        case IDR_UI_RESOURCE:
            return firmware::Vendor_resource();
        default:
            return {};
    }
}

}  // namespace rf
