#pragma once

#include "device/os/linux/DeviceTree.h"

struct udev;

namespace rf {

// The device tree as udev knows it.
class CUdevDeviceTree final : public IDeviceTree {
public:
    CUdevDeviceTree();
    ~CUdevDeviceTree() override;
    CUdevDeviceTree(const CUdevDeviceTree&) = delete;
    CUdevDeviceTree& operator=(const CUdevDeviceTree&) = delete;

    // False when udev could not be reached; every query then finds nothing.
    bool IsAvailable() const { return m_pUdev != nullptr; }

    std::optional<std::string> FromDevNum(bool bBlock, unsigned nMajor,
                                          unsigned nMinor) const override;
    std::optional<std::string> Parent(const std::string& strDevice) const override;
    std::string SysName(const std::string& strDevice) const override;
    std::string Subsystem(const std::string& strDevice) const override;
    std::string Driver(const std::string& strDevice) const override;
    std::string Attribute(const std::string& strDevice, const char* pszName) const override;
    std::string DevNode(const std::string& strDevice) const override;
    std::vector<std::string> Enumerate(const char* pszSubsystem) const override;
    std::vector<std::string> Children(const std::string& strDevice,
                                      const char* pszSubsystem) const override;
    std::vector<std::string> Holders(const std::string& strDevice) const override;

private:
    struct udev* m_pUdev;
};

}  // namespace rf
