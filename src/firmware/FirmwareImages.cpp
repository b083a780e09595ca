#include "firmware/FirmwareImages.h"

#include <array>

namespace rf {

// Defined by the sources the image generator makes from the descriptions.
namespace firmware {
std::span<const BYTE> Image_bridge_0024();
std::span<const BYTE> Image_bridge_0025();
std::span<const BYTE> Image_bridge_0027();
std::span<const BYTE> Image_seeprom_host_c017();
std::span<const BYTE> Image_seeprom_host_c018();
std::span<const BYTE> Image_seeprom_cpu();
std::span<const BYTE> Image_ui_firmware_0025();
std::span<const BYTE> Image_ui_firmware_0026();
std::span<const BYTE> Image_ui_firmware_0029();
std::span<const BYTE> Image_ui_resource_0022();
std::span<const BYTE> Image_ui_resource_0023();
}  // namespace firmware

namespace {

constexpr std::array g_firmwareImages = std::to_array<FirmwareImage>({
    {IDR_SEEPROM_HOST, "seeprom-host-c018", &firmware::Image_seeprom_host_c018},
    {IDR_BRIDGE_FIRMWARE, "bridge-0027", &firmware::Image_bridge_0027},
    {IDR_UI_FIRMWARE, "ui-firmware-0029", &firmware::Image_ui_firmware_0029},
    {IDR_UI_RESOURCE, "ui-resource-0023", &firmware::Image_ui_resource_0023},
    {IDR_BRIDGE_FIRMWARE_0024, "bridge-0024", &firmware::Image_bridge_0024},
    {IDR_BRIDGE_FIRMWARE_0025, "bridge-0025", &firmware::Image_bridge_0025},
    {IDR_SEEPROM_HOST_C017, "seeprom-host-c017", &firmware::Image_seeprom_host_c017},
    {IDR_UI_FIRMWARE_0025, "ui-firmware-0025", &firmware::Image_ui_firmware_0025},
    {IDR_UI_FIRMWARE_0026, "ui-firmware-0026", &firmware::Image_ui_firmware_0026},
    {IDR_UI_RESOURCE_0022, "ui-resource-0022", &firmware::Image_ui_resource_0022},
    {IDR_SEEPROM_CPU, "seeprom-cpu", &firmware::Image_seeprom_cpu},
});

// The versions of one set are those of a row of the product-version table;
// an image that did not change between two sets is shared by them.
constexpr std::array g_firmwareSets = std::to_array<FirmwareSet>({
    {"1.00 (bridge 0024)", 0x0100, IDR_BRIDGE_FIRMWARE_0024, IDR_SEEPROM_HOST_C017, IDR_SEEPROM_CPU,
     IDR_UI_FIRMWARE_0025, IDR_UI_RESOURCE_0022},
    {"1.00 (bridge 0025)", 0x0100, IDR_BRIDGE_FIRMWARE_0025, IDR_SEEPROM_HOST, IDR_SEEPROM_CPU,
     IDR_UI_FIRMWARE_0026, IDR_UI_RESOURCE},
    {"1.01", 0x0101, IDR_BRIDGE_FIRMWARE, IDR_SEEPROM_HOST, IDR_SEEPROM_CPU, IDR_UI_FIRMWARE,
     IDR_UI_RESOURCE},
});

}  // namespace

std::span<const FirmwareImage> FirmwareImages() {
    return g_firmwareImages;
}

std::span<const BYTE> FindFirmwareImage(UINT nId) {
    for (const FirmwareImage& image : g_firmwareImages) {
        if (image.nId == nId) {
            return image.pBytes();
        }
    }
    return {};
}

std::span<const FirmwareSet> FirmwareSets() {
    return g_firmwareSets;
}

}  // namespace rf
