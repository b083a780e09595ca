#pragma once

#include <span>
#include <string>

#include "base/Types.h"

namespace rf {

// A supported product: the text that INQUIRY bytes 8 onward (vendor, then
// the start of the product) must begin with.
struct SupportedProduct {
    const char* pszPrefix;
    UINT nCompareLength;
    int nProductClass;       // 1 = our own enclosure, 2 = another brand's model
    bool bNeedsAllProducts;  // accepted only with the EnableAllProducts option
};

std::span<const SupportedProduct> SupportedProducts();

// The class of the product whose INQUIRY vendor and product fields (24 bytes,
// INQUIRY bytes 8 to 31) are given: the first row that matches, 0 for none.
int ProductClassOf(const BYTE* pVendorProduct, bool bEnableAllProducts);

// Display names of the storage buses.
struct BusNameEntry {
    int nBusType;
    const char16_t* pszName;
};

std::span<const BusNameEntry> BusNames();

// "USB2.0", "SCSI-2", "IEEE1394"...; USB 1.0 is shown as USB1.1.
std::u16string FormatBusName(int nBusType, BYTE nMajorVersion, BYTE nMinorVersion);

}  // namespace rf
