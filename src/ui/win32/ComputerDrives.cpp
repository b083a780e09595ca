#include "ui/win32/ComputerDrives.h"

namespace rf {

namespace {

// STAND-IN until the Windows drive port (src/device/os/windows: SCSI
// pass-through, the PhysicalDrive list, volume locking) is merged: a
// computer without drives, so the window searches and finds nothing.
// /Emulate works on the emulated enclosure meanwhile.
class CNoDrives final : public IDeviceSystem {
public:
    std::unique_ptr<IDeviceHandle> Open(const std::u16string& /*path*/) override { return nullptr; }
    std::vector<PhysicalDrive> ListPhysicalDrives() override { return {}; }
    bool PrepareVolumes(const StorageDeviceNumber& /*disk*/, VolumeReport& /*report*/) override {
        return true;
    }
};

}  // namespace

std::unique_ptr<IDeviceSystem> MakeComputerDriveSystem() {
    return std::make_unique<CNoDrives>();
}

}  // namespace rf
