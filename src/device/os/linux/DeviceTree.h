#pragma once

// The kernel's device tree as the Linux port reads it: devices by their
// sysfs path, with parent, subsystem, driver, attributes and device node.
// Production reads it through libudev; tests hand in a tree of directories
// made in a temporary folder.

#include <optional>
#include <string>
#include <vector>

namespace rf {

class IDeviceTree {
public:
    virtual ~IDeviceTree() = default;

    // The device of a block or character device number.
    virtual std::optional<std::string> FromDevNum(bool bBlock, unsigned nMajor,
                                                  unsigned nMinor) const = 0;
    // The parent device; none above the top of the tree.
    virtual std::optional<std::string> Parent(const std::string& strDevice) const = 0;
    virtual std::string SysName(const std::string& strDevice) const = 0;
    virtual std::string Subsystem(const std::string& strDevice) const = 0;
    virtual std::string Driver(const std::string& strDevice) const = 0;
    // An attribute without surrounding white space; empty when absent.
    virtual std::string Attribute(const std::string& strDevice, const char* pszName) const = 0;
    // "/dev/sg1"; empty when the device has no node.
    virtual std::string DevNode(const std::string& strDevice) const = 0;
    // Every device of a subsystem ("block", "scsi_generic").
    virtual std::vector<std::string> Enumerate(const char* pszSubsystem) const = 0;
    // Devices of a subsystem below a device.
    virtual std::vector<std::string> Children(const std::string& strDevice,
                                              const char* pszSubsystem) const = 0;
    // Names of the devices that hold this block device (device-mapper, md).
    virtual std::vector<std::string> Holders(const std::string& strDevice) const = 0;
};

}  // namespace rf
