#include "device/ProductTable.h"

#include <array>
#include <cstring>
#include <string>

#include "base/Text.h"

#include "device/DevicePort.h"

namespace rf {

namespace {

// Tried in this order; the first equal row wins.
constexpr std::array kProducts = std::to_array<SupportedProduct>({
    {"KESTREL DVX4400DUO", 18, 1, false},
    {"KESTREL QVDock", 14, 1, true},
    {"Vantoro duoMirror", 17, 2, true},
});

// SCSI and USB names carry the bus version and are built by the caller.
constexpr std::array kBusNames = std::to_array<BusNameEntry>({
    {BusTypeAtapi, u"ATAPI"},
    {BusTypeAta, u"ATA"},
    {BusType1394, u"IEEE1394"},
    {BusTypeSsa, u"SSA"},
    {BusTypeFibre, u"Fiber-Channel"},
    {BusTypeRAID, u"RAID"},
    {BusTypeiScsi, u"iSCSI"},
});

}  // namespace

std::span<const SupportedProduct> SupportedProducts() {
    return kProducts;
}

std::span<const BusNameEntry> BusNames() {
    return kBusNames;
}

int ProductClassOf(const BYTE* pVendorProduct, bool bEnableAllProducts) {
    for (const SupportedProduct& product : kProducts) {
        if (product.bNeedsAllProducts && !bEnableAllProducts) {
            continue;
        }
        if (std::memcmp(pVendorProduct, product.pszPrefix, product.nCompareLength) == 0) {
            return product.nProductClass;
        }
    }
    return 0;
}

std::u16string FormatBusName(int nBusType, BYTE nMajorVersion, BYTE nMinorVersion) {
    if (nBusType == BusTypeScsi) {
        return u"SCSI-" + Widen(std::to_string(nMajorVersion));
    }
    if (nBusType == BusTypeUsb) {
        const int nMinor = nMajorVersion == 1 && nMinorVersion == 0 ? 1 : nMinorVersion;
        return u"USB" + Widen(std::to_string(nMajorVersion)) + u"." + Widen(std::to_string(nMinor));
    }
    for (const BusNameEntry& entry : kBusNames) {
        if (entry.nBusType == nBusType) {
            return entry.pszName;
        }
    }
    return u"不明なバス";  // a bus type the program does not know
}

}  // namespace rf
