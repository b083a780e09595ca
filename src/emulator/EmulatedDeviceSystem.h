#pragma once

// The operating system as the program sees it when it runs against emulated
// drives: enclosures (or other disks, which are enclosures with another
// identity and bus) that can be attached and detached between scans, each
// with volumes that are free, mounted and idle, or in use. Every drive is
// reached only through the same handle interface as a real one.

#include <memory>
#include <string>
#include <vector>

#include "device/DevicePort.h"
#include "emulator/EmulatedEnclosure.h"

namespace rf::emu {

enum class VolumeState { Free, MountedIdle, Busy };

struct EmulatedVolume {
    std::u16string strMountPoint;
    VolumeState state = VolumeState::MountedIdle;
};

class CEmulatedDeviceSystem final : public IDeviceSystem {
public:
    // Drives are listed in the order they were attached.
    void Attach(const std::u16string& path, std::shared_ptr<CEmulatedEnclosure> pEnclosure);
    void Detach(const std::u16string& path);
    std::shared_ptr<CEmulatedEnclosure> Enclosure(const std::u16string& path) const;
    void SetVolumes(const std::u16string& path, std::vector<EmulatedVolume> volumes);
    std::vector<EmulatedVolume> Volumes(const std::u16string& path) const;

    // A drive without power is gone from the system and cannot be opened.
    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;
    std::vector<PhysicalDrive> ListPhysicalDrives() override;
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override;

private:
    struct Drive {
        std::u16string path;
        std::shared_ptr<CEmulatedEnclosure> pEnclosure;
        std::uint32_t nDeviceNumber;
        std::vector<EmulatedVolume> volumes;
        // False once detached; the handles opened on this attachment see it.
        std::shared_ptr<bool> pAttached;
    };

    Drive* Find(const std::u16string& path);
    const Drive* Find(const std::u16string& path) const;

    std::vector<Drive> m_drives;
    std::uint32_t m_nNextDeviceNumber = (8u << 20);
};

}  // namespace rf::emu
