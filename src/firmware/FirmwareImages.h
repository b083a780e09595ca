#pragma once

// The firmware images built into the program, found by id. They are made
// during the build from the descriptions in this folder, so a description
// is the one place where an image's fields are decided.

#include <span>

#include "base/Types.h"

namespace rf {

enum FirmwareImageId : UINT {
    // What this release writes; the image objects load these.
    IDR_SEEPROM_HOST = 130,
    IDR_BRIDGE_FIRMWARE = 131,
    IDR_UI_FIRMWARE = 151,
    IDR_UI_RESOURCE = 152,

    // Firmware of earlier releases, and the factory contents of the CPU
    // SEEPROM: what an enclosure may hold before it is updated.
    IDR_BRIDGE_FIRMWARE_0024 = 1000,
    IDR_BRIDGE_FIRMWARE_0025 = 1001,
    IDR_SEEPROM_HOST_C017 = 1010,
    IDR_UI_FIRMWARE_0025 = 1020,
    IDR_UI_FIRMWARE_0026 = 1021,
    IDR_UI_RESOURCE_0022 = 1030,
    IDR_SEEPROM_CPU = 1040,
};

struct FirmwareImage {
    UINT nId;
    const char* pszName;  // the description it is made from, without extension
    std::span<const BYTE> (*pBytes)();
};

std::span<const FirmwareImage> FirmwareImages();

// The image's bytes, or an empty span when no image has the id.
std::span<const BYTE> FindFirmwareImage(UINT nId);

// One firmware combination that was shipped, with the image of each memory.
struct FirmwareSet {
    const char* pszName;
    WORD wProductVersion;  // major in the high byte, minor in the low byte
    UINT nBridgeFirmware;
    UINT nSeepromHost;
    UINT nSeepromCpu;
    UINT nUiFirmware;
    UINT nUiResource;
};

// Oldest first; the last is the set this release carries.
std::span<const FirmwareSet> FirmwareSets();

}  // namespace rf
