#pragma once

#include <string>

#include "device/os/linux/DeviceTree.h"

namespace rf {

// The device tree read straight from a sysfs-shaped directory: the real
// /sys, or a tree a test made.
class CSysfsDirectoryTree final : public IDeviceTree {
public:
    explicit CSysfsDirectoryTree(std::string strRoot) : m_strRoot(std::move(strRoot)) {}

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
    std::string m_strRoot;
};

}  // namespace rf
