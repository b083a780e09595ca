#pragma once

#include <memory>
#include <string>

#include "device/DevicePort.h"
#include "device/os/linux/DeviceTree.h"
#include "device/os/linux/LinuxVolumes.h"
#include "device/os/linux/SgIo.h"

namespace rf {

// Disk devices on Linux: the SCSI disks of the device tree, opened through
// their sg node (or the node a path names), commands through SG_IO.
class CLinuxDeviceSystem final : public IDeviceSystem {
public:
    CLinuxDeviceSystem(const IDeviceTree& tree, IVolumeSystemCalls& volumeCalls,
                       IoctlFunction ioctlFunction = SystemIoctl())
        : m_tree(tree), m_volumeCalls(volumeCalls), m_ioctl(std::move(ioctlFunction)) {}

    // A drive's path is its SCSI device in the tree, which stays the same
    // while it is attached; a device node path is opened as it is.
    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;
    std::vector<PhysicalDrive> ListPhysicalDrives() override;
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override;

    const IDeviceTree& Tree() const { return m_tree; }

private:
    const IDeviceTree& m_tree;
    IVolumeSystemCalls& m_volumeCalls;
    IoctlFunction m_ioctl;
};

// One open device node.
class CLinuxDeviceHandle final : public IDeviceHandle {
public:
    // Takes ownership of the descriptor.
    CLinuxDeviceHandle(int nFd, std::optional<std::string> device, const IDeviceTree& tree,
                       IoctlFunction ioctlFunction);
    ~CLinuxDeviceHandle() override;
    CLinuxDeviceHandle(const CLinuxDeviceHandle&) = delete;
    CLinuxDeviceHandle& operator=(const CLinuxDeviceHandle&) = delete;

    bool SendScsi(ScsiRequest& request) override;
    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override;
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override;
    bool GetScsiAddress(ScsiAddress& address) override;
    bool GetDeviceNumber(StorageDeviceNumber& number) override;

private:
    int m_nFd;
    std::optional<std::string> m_device;
    const IDeviceTree& m_tree;
    IoctlFunction m_ioctl;
};

}  // namespace rf
