#pragma once

#include <memory>
#include <string>

#include "device/DevicePort.h"
#include "device/os/linux/SgIo.h"
#include "device/os/linux/SysfsTree.h"

namespace rf {

// Disk devices on Linux: opened as device nodes (/dev/sgN or /dev/sdX),
// commands through SG_IO, everything else from sysfs.
class CLinuxDeviceSystem final : public IDeviceSystem {
public:
    explicit CLinuxDeviceSystem(CSysfsTree tree = CSysfsTree(),
                                IoctlFunction ioctlFunction = SystemIoctl())
        : m_tree(std::move(tree)), m_ioctl(std::move(ioctlFunction)) {}

    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;

    const CSysfsTree& Tree() const { return m_tree; }

private:
    CSysfsTree m_tree;
    IoctlFunction m_ioctl;
};

// One open device node.
class CLinuxDeviceHandle final : public IDeviceHandle {
public:
    // Takes ownership of the descriptor.
    CLinuxDeviceHandle(int nFd, bool bBlock, unsigned nMajor, unsigned nMinor,
                       const CSysfsTree& tree, IoctlFunction ioctlFunction);
    ~CLinuxDeviceHandle() override;
    CLinuxDeviceHandle(const CLinuxDeviceHandle&) = delete;
    CLinuxDeviceHandle& operator=(const CLinuxDeviceHandle&) = delete;

    bool SendScsi(ScsiRequest& request) override;
    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override;
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override;
    bool GetScsiAddress(ScsiAddress& address) override;
    bool GetDeviceNumber(StorageDeviceNumber& number) override;

private:
    std::optional<SysfsBusInfo> BusInfo();

    int m_nFd;
    std::optional<std::string> m_deviceDir;
    const CSysfsTree& m_tree;
    IoctlFunction m_ioctl;
};

}  // namespace rf
