#include "device/os/linux/UdevDeviceTree.h"

#include <libudev.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <memory>

namespace rf {

namespace {

struct DeviceRelease {
    void operator()(udev_device* pDevice) const { udev_device_unref(pDevice); }
};
struct EnumerateRelease {
    void operator()(udev_enumerate* pEnumerate) const { udev_enumerate_unref(pEnumerate); }
};
using DevicePtr = std::unique_ptr<udev_device, DeviceRelease>;
using EnumeratePtr = std::unique_ptr<udev_enumerate, EnumerateRelease>;

std::string Text(const char* pszText) {
    return pszText != nullptr ? std::string(pszText) : std::string();
}

std::string Trimmed(std::string strText) {
    const auto first = strText.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = strText.find_last_not_of(" \t\r\n");
    return strText.substr(first, last - first + 1);
}

std::vector<std::string> ScanPaths(udev_enumerate* pEnumerate) {
    std::vector<std::string> paths;
    if (pEnumerate == nullptr || udev_enumerate_scan_devices(pEnumerate) < 0) {
        return paths;
    }
    udev_list_entry* pEntry = nullptr;
    udev_list_entry_foreach(pEntry, udev_enumerate_get_list_entry(pEnumerate)) {
        paths.push_back(Text(udev_list_entry_get_name(pEntry)));
    }
    return paths;
}

}  // namespace

CUdevDeviceTree::CUdevDeviceTree() : m_pUdev(udev_new()) {}

CUdevDeviceTree::~CUdevDeviceTree() {
    if (m_pUdev != nullptr) {
        udev_unref(m_pUdev);
    }
}

std::optional<std::string> CUdevDeviceTree::FromDevNum(bool bBlock, unsigned nMajor,
                                                       unsigned nMinor) const {
    if (m_pUdev == nullptr) {
        return std::nullopt;
    }
    DevicePtr device(
        udev_device_new_from_devnum(m_pUdev, bBlock ? 'b' : 'c', makedev(nMajor, nMinor)));
    if (device == nullptr) {
        return std::nullopt;
    }
    return Text(udev_device_get_syspath(device.get()));
}

std::optional<std::string> CUdevDeviceTree::Parent(const std::string& strDevice) const {
    if (m_pUdev == nullptr) {
        return std::nullopt;
    }
    DevicePtr device(udev_device_new_from_syspath(m_pUdev, strDevice.c_str()));
    // The parent belongs to its child: no unref of its own.
    udev_device* pParent = device != nullptr ? udev_device_get_parent(device.get()) : nullptr;
    if (pParent == nullptr) {
        return std::nullopt;
    }
    return Text(udev_device_get_syspath(pParent));
}

std::string CUdevDeviceTree::SysName(const std::string& strDevice) const {
    return std::filesystem::path(strDevice).filename().string();
}

std::string CUdevDeviceTree::Subsystem(const std::string& strDevice) const {
    DevicePtr device(m_pUdev != nullptr ? udev_device_new_from_syspath(m_pUdev, strDevice.c_str())
                                        : nullptr);
    return device != nullptr ? Text(udev_device_get_subsystem(device.get())) : std::string();
}

std::string CUdevDeviceTree::Driver(const std::string& strDevice) const {
    DevicePtr device(m_pUdev != nullptr ? udev_device_new_from_syspath(m_pUdev, strDevice.c_str())
                                        : nullptr);
    return device != nullptr ? Text(udev_device_get_driver(device.get())) : std::string();
}

std::string CUdevDeviceTree::Attribute(const std::string& strDevice, const char* pszName) const {
    DevicePtr device(m_pUdev != nullptr ? udev_device_new_from_syspath(m_pUdev, strDevice.c_str())
                                        : nullptr);
    return device != nullptr ? Trimmed(Text(udev_device_get_sysattr_value(device.get(), pszName)))
                             : std::string();
}

std::string CUdevDeviceTree::DevNode(const std::string& strDevice) const {
    DevicePtr device(m_pUdev != nullptr ? udev_device_new_from_syspath(m_pUdev, strDevice.c_str())
                                        : nullptr);
    return device != nullptr ? Text(udev_device_get_devnode(device.get())) : std::string();
}

std::vector<std::string> CUdevDeviceTree::Enumerate(const char* pszSubsystem) const {
    if (m_pUdev == nullptr) {
        return {};
    }
    EnumeratePtr enumerate(udev_enumerate_new(m_pUdev));
    if (enumerate == nullptr) {
        return {};
    }
    udev_enumerate_add_match_subsystem(enumerate.get(), pszSubsystem);
    return ScanPaths(enumerate.get());
}

std::vector<std::string> CUdevDeviceTree::Children(const std::string& strDevice,
                                                   const char* pszSubsystem) const {
    if (m_pUdev == nullptr) {
        return {};
    }
    DevicePtr parent(udev_device_new_from_syspath(m_pUdev, strDevice.c_str()));
    EnumeratePtr enumerate(udev_enumerate_new(m_pUdev));
    if (parent == nullptr || enumerate == nullptr) {
        return {};
    }
    udev_enumerate_add_match_parent(enumerate.get(), parent.get());
    udev_enumerate_add_match_subsystem(enumerate.get(), pszSubsystem);
    std::vector<std::string> children;
    for (std::string& strPath : ScanPaths(enumerate.get())) {
        if (strPath != strDevice) {  // the parent matches itself
            children.push_back(std::move(strPath));
        }
    }
    return children;
}

std::vector<std::string> CUdevDeviceTree::Holders(const std::string& strDevice) const {
    // udev has no view of holders; the kernel lists them beside the device.
    std::vector<std::string> holders;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(strDevice) / "holders", error)) {
        holders.push_back(entry.path().filename().string());
    }
    return holders;
}

}  // namespace rf
