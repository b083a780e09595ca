#pragma once

// The memories of an enclosure as the firmware ecosystem's cabinets name
// them: one component (one metainfo file) per memory, provided for the GUID
// of that memory. The GUIDs are made as fwupd makes a device's: a type-5
// UUID (SHA-1, DNS namespace) of an instance ID. For a SCSI device fwupd
// builds "SCSI\VEN_<vendor>&DEV_<product>" from its INQUIRY identification;
// a memory of it adds "&PART_<memory>", as a child device would.

#include <string>
#include <string_view>

#include "device/ProductTable.h"
#include "firmware/ImageKinds.h"

namespace rf {

struct PackageComponent {
    MemoryKind kind;
    const char* pszPart;      // the instance ID's PART value, "BRIDGE"...
    const char* pszIdPart;    // the component id's own word, "bridge"...
    const char* pszName;      // what the memory is called, "bridge firmware"...
    const char* pszWhatItIs;  // a sentence on what the memory does
};

const PackageComponent& ComponentOf(MemoryKind kind);

// "KESTREL" and "DVX4400DUO": the product's INQUIRY vendor (eight bytes)
// and product fields, without their padding.
std::string ProductVendor(const SupportedProduct& product);
std::string ProductModel(const SupportedProduct& product);

// "SCSI\VEN_KESTREL&DEV_DVX4400DUO&PART_BRIDGE".
std::string ComponentInstanceId(const SupportedProduct& product, MemoryKind kind);
// "xxxxxxxx-xxxx-5xxx-yxxx-xxxxxxxxxxxx", lower case.
std::string GuidOfInstanceId(std::string_view instanceId);

// The product and memory a GUID stands for; false when it is none of ours
// (compared without regard to case).
bool FindComponentGuid(std::string_view guid, const SupportedProduct*& pProduct, MemoryKind& kind);

}  // namespace rf
