#pragma once

// Before the enclosure's disk is written: nothing on it may be in use. Every
// partition and the disk itself are checked for holders (device-mapper, md,
// LVM), active swap and other exclusive users; mounted file systems are
// first tested without changing anything, and only when every test passed
// are they flushed and unmounted.

#include <string>
#include <vector>

#include "device/DevicePort.h"
#include "device/os/linux/DeviceTree.h"

namespace rf {

struct MountEntry {
    unsigned nMajor;
    unsigned nMinor;
    std::string strTarget;
};

// The system calls the check makes, so that tests can stand in for them.
class IVolumeSystemCalls {
public:
    virtual ~IVolumeSystemCalls() = default;
    virtual std::vector<MountEntry> Mounts() = 0;
    // Device numbers of the active swap areas.
    virtual std::vector<std::pair<unsigned, unsigned>> ActiveSwaps() = 0;
    // 0 when the device can be opened exclusively (and was closed again), else errno.
    virtual int TryExclusiveOpen(const std::string& strNode) = 0;
    virtual void Flush(const std::string& strNode) = 0;
    // 0 when the mount is not in use, EBUSY when it is, another errno when it
    // cannot be tested. Changes nothing a user would notice.
    virtual int TestUnmount(const std::string& strTarget) = 0;
    virtual int Unmount(const std::string& strTarget) = 0;
};

// The real system: libmount for the mount table and swaps, umount2 with
// MNT_EXPIRE as the test.
class CLinuxVolumeSystemCalls final : public IVolumeSystemCalls {
public:
    std::vector<MountEntry> Mounts() override;
    std::vector<std::pair<unsigned, unsigned>> ActiveSwaps() override;
    int TryExclusiveOpen(const std::string& strNode) override;
    void Flush(const std::string& strNode) override;
    int TestUnmount(const std::string& strTarget) override;
    int Unmount(const std::string& strTarget) override;
};

bool PrepareLinuxVolumes(const IDeviceTree& tree, IVolumeSystemCalls& calls,
                         const StorageDeviceNumber& disk, VolumeReport& report);

}  // namespace rf
