#include "device/os/linux/SysfsDirectoryTree.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace rf {

namespace {

std::string LinkTargetName(const std::string& strDir, const char* pszLink) {
    std::error_code error;
    const fs::path target = fs::read_symlink(fs::path(strDir) / pszLink, error);
    return error ? std::string() : target.filename().string();
}

std::string Trimmed(std::string strText) {
    const auto first = strText.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = strText.find_last_not_of(" \t\r\n");
    return strText.substr(first, last - first + 1);
}

// Searching below a device stops this deep: children of interest (block
// devices, sg nodes, partitions) sit one or two levels down.
constexpr int kChildSearchDepth = 3;

void FindChildren(const fs::path& dir, const char* pszSubsystem, int nDepth,
                  std::vector<std::string>& found) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        std::error_code typeError;
        if (!entry.is_directory(typeError) || entry.is_symlink(typeError)) {
            continue;
        }
        if (LinkTargetName(entry.path().string(), "subsystem") == pszSubsystem) {
            found.push_back(entry.path().string());
        }
        if (nDepth > 1) {
            FindChildren(entry.path(), pszSubsystem, nDepth - 1, found);
        }
    }
}

}  // namespace

std::optional<std::string> CSysfsDirectoryTree::FromDevNum(bool bBlock, unsigned nMajor,
                                                           unsigned nMinor) const {
    const fs::path link = fs::path(m_strRoot) / "dev" / (bBlock ? "block" : "char") /
                          (std::to_string(nMajor) + ":" + std::to_string(nMinor));
    std::error_code error;
    const fs::path resolved = fs::canonical(link, error);
    if (error) {
        return std::nullopt;
    }
    return resolved.string();
}

std::optional<std::string> CSysfsDirectoryTree::Parent(const std::string& strDevice) const {
    std::error_code error;
    const fs::path devices = fs::weakly_canonical(fs::path(m_strRoot) / "devices", error);
    const fs::path parent = fs::path(strDevice).parent_path();
    if (parent.empty() || parent == devices || parent == fs::path(strDevice) ||
        parent.string().size() <= devices.string().size()) {
        return std::nullopt;
    }
    return parent.string();
}

std::string CSysfsDirectoryTree::SysName(const std::string& strDevice) const {
    return fs::path(strDevice).filename().string();
}

std::string CSysfsDirectoryTree::Subsystem(const std::string& strDevice) const {
    return LinkTargetName(strDevice, "subsystem");
}

std::string CSysfsDirectoryTree::Driver(const std::string& strDevice) const {
    return LinkTargetName(strDevice, "driver");
}

std::string CSysfsDirectoryTree::Attribute(const std::string& strDevice,
                                           const char* pszName) const {
    std::ifstream file(fs::path(strDevice) / pszName);
    if (!file) {
        return {};
    }
    std::string strText;
    std::getline(file, strText, '\0');
    return Trimmed(strText);
}

std::string CSysfsDirectoryTree::DevNode(const std::string& strDevice) const {
    // The kernel names the node in the device's uevent file.
    std::ifstream file(fs::path(strDevice) / "uevent");
    for (std::string strLine; std::getline(file, strLine);) {
        if (strLine.starts_with("DEVNAME=")) {
            return "/dev/" + strLine.substr(8);
        }
    }
    return Attribute(strDevice, "dev").empty() ? std::string() : "/dev/" + SysName(strDevice);
}

std::vector<std::string> CSysfsDirectoryTree::Enumerate(const char* pszSubsystem) const {
    std::vector<std::string> devices;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(m_strRoot) / "class" / pszSubsystem, error)) {
        std::error_code resolveError;
        const fs::path resolved = fs::canonical(entry.path(), resolveError);
        if (!resolveError) {
            devices.push_back(resolved.string());
        }
    }
    std::sort(devices.begin(), devices.end());
    return devices;
}

std::vector<std::string> CSysfsDirectoryTree::Children(const std::string& strDevice,
                                                       const char* pszSubsystem) const {
    std::vector<std::string> found;
    FindChildren(strDevice, pszSubsystem, kChildSearchDepth, found);
    std::sort(found.begin(), found.end());  // directory order is arbitrary; udev's is sorted
    return found;
}

std::vector<std::string> CSysfsDirectoryTree::Holders(const std::string& strDevice) const {
    std::vector<std::string> holders;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(strDevice) / "holders", error)) {
        holders.push_back(entry.path().filename().string());
    }
    return holders;
}

}  // namespace rf
