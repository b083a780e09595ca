// Systems without a cabinet reader in this build take packages as
// directories only.

#include "package/FirmwarePackage.h"

namespace rf {

bool ReadCabinet(const std::filesystem::path& /*path*/, PackageFiles& /*files*/) {
    return false;
}

bool WriteCabinet(const std::filesystem::path& /*path*/, const PackageFiles& /*files*/) {
    return false;
}

}  // namespace rf
