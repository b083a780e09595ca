// Systems without a cabinet reader in this build take packages as
// directories only.

#include "package/FirmwarePackage.h"
#include "text/StringTable.h"

namespace rf {

UINT ReadCabinetBytes(std::span<const BYTE> /*archive*/, PackageFiles& /*files*/) {
    return IDS_PKG_CAB_DAMAGED;
}

bool WriteCabinet(const std::filesystem::path& /*path*/, const PackageFiles& /*files*/) {
    return false;
}

}  // namespace rf
