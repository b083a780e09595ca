#include "device/os/linux/LinuxVolumes.h"

#include <fcntl.h>
#include <libmount.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "base/Text.h"
#include "device/os/linux/ScsiTopology.h"

namespace rf {

namespace {

struct TableRelease {
    void operator()(libmnt_table* pTable) const { mnt_unref_table(pTable); }
};
struct IterRelease {
    void operator()(libmnt_iter* pIter) const { mnt_free_iter(pIter); }
};

struct BlockDevice {
    std::string strNode;
    unsigned nMajor;
    unsigned nMinor;
    bool bWholeDisk;
};

std::u16string Describe(const std::string& strWhat, const std::string& strWhere) {
    return Utf8ToUtf16(strWhat + " " + strWhere);
}

}  // namespace

std::vector<MountEntry> CLinuxVolumeSystemCalls::Mounts() {
    std::vector<MountEntry> mounts;
    std::unique_ptr<libmnt_table, TableRelease> table(mnt_new_table());
    if (table == nullptr || mnt_table_parse_file(table.get(), "/proc/self/mountinfo") != 0) {
        return mounts;
    }
    std::unique_ptr<libmnt_iter, IterRelease> iter(mnt_new_iter(MNT_ITER_FORWARD));
    libmnt_fs* pFs = nullptr;
    while (iter != nullptr && mnt_table_next_fs(table.get(), iter.get(), &pFs) == 0) {
        const dev_t device = mnt_fs_get_devno(pFs);
        const char* pszTarget = mnt_fs_get_target(pFs);
        if (device != 0 && pszTarget != nullptr) {
            mounts.push_back(MountEntry{major(device), minor(device), pszTarget});
        }
    }
    return mounts;
}

std::vector<std::pair<unsigned, unsigned>> CLinuxVolumeSystemCalls::ActiveSwaps() {
    std::vector<std::pair<unsigned, unsigned>> swaps;
    std::unique_ptr<libmnt_table, TableRelease> table(mnt_new_table());
    if (table == nullptr || mnt_table_parse_swaps(table.get(), nullptr) != 0) {
        return swaps;
    }
    std::unique_ptr<libmnt_iter, IterRelease> iter(mnt_new_iter(MNT_ITER_FORWARD));
    libmnt_fs* pFs = nullptr;
    while (iter != nullptr && mnt_table_next_fs(table.get(), iter.get(), &pFs) == 0) {
        struct stat info {};
        const char* pszSource = mnt_fs_get_source(pFs);
        if (pszSource != nullptr && ::stat(pszSource, &info) == 0 && S_ISBLK(info.st_mode)) {
            swaps.emplace_back(major(info.st_rdev), minor(info.st_rdev));
        }
    }
    return swaps;
}

int CLinuxVolumeSystemCalls::TryExclusiveOpen(const std::string& strNode) {
    const int nFd = ::open(strNode.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC | O_NONBLOCK);
    if (nFd < 0) {
        return errno;
    }
    ::close(nFd);
    return 0;
}

void CLinuxVolumeSystemCalls::Flush(const std::string& strNode) {
    const int nFd = ::open(strNode.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (nFd >= 0) {
        ::fsync(nFd);
        ::close(nFd);
    }
}

int CLinuxVolumeSystemCalls::TestUnmount(const std::string& strTarget) {
    // The first expire request only marks an idle mount (EAGAIN) and is
    // refused for a busy one (EBUSY); any use of the mount clears the mark.
    if (::umount2(strTarget.c_str(), MNT_EXPIRE) == 0) {
        return 0;
    }
    return errno == EAGAIN ? 0 : errno;
}

int CLinuxVolumeSystemCalls::Unmount(const std::string& strTarget) {
    return ::umount2(strTarget.c_str(), 0) == 0 ? 0 : errno;
}

bool PrepareLinuxVolumes(const IDeviceTree& tree, IVolumeSystemCalls& calls,
                         const StorageDeviceNumber& disk, VolumeReport& report) {
    const unsigned nDiskMajor = disk.DeviceNumber >> 20;
    const unsigned nDiskMinor = disk.DeviceNumber & 0xFFFFF;
    const std::optional<std::string> diskDevice = tree.FromDevNum(true, nDiskMajor, nDiskMinor);
    if (!diskDevice) {
        report.inUse.push_back(u"the disk is not known to the system");
        return false;
    }

    // The disk and every partition on it.
    std::vector<BlockDevice> devices = {{tree.DevNode(*diskDevice), nDiskMajor, nDiskMinor, true}};
    for (const std::string& partition : tree.Children(*diskDevice, "block")) {
        unsigned nMajor = 0;
        unsigned nMinor = 0;
        if (ParseDevNumbers(tree.Attribute(partition, "dev"), nMajor, nMinor)) {
            devices.push_back({tree.DevNode(partition), nMajor, nMinor, false});
        }
    }
    auto onDisk = [&](unsigned nMajor, unsigned nMinor) {
        return std::any_of(devices.begin(), devices.end(), [&](const BlockDevice& d) {
            return d.nMajor == nMajor && d.nMinor == nMinor;
        });
    };

    for (const BlockDevice& device : devices) {
        const std::optional<std::string> node = tree.FromDevNum(true, device.nMajor, device.nMinor);
        for (const std::string& strHolder :
             node ? tree.Holders(*node) : std::vector<std::string>()) {
            report.inUse.push_back(Describe(device.strNode, "is held by " + strHolder));
        }
    }
    for (const auto& [nMajor, nMinor] : calls.ActiveSwaps()) {
        if (onDisk(nMajor, nMinor)) {
            report.inUse.push_back(
                Describe("swap on", std::to_string(nMajor) + ":" + std::to_string(nMinor)));
        }
    }
    std::vector<MountEntry> mounts;
    for (const MountEntry& mount : calls.Mounts()) {
        if (onDisk(mount.nMajor, mount.nMinor)) {
            mounts.push_back(mount);
        }
    }
    // Devices without a file system mounted must not be open elsewhere.
    for (const BlockDevice& device : devices) {
        const bool bMounted = std::any_of(mounts.begin(), mounts.end(), [&](const MountEntry& m) {
            return m.nMajor == device.nMajor && m.nMinor == device.nMinor;
        });
        if (bMounted || (device.bWholeDisk && !mounts.empty())) {
            continue;  // a mount on the disk claims it; the mount test covers it
        }
        if (calls.TryExclusiveOpen(device.strNode) == EBUSY) {
            report.inUse.push_back(Describe(device.strNode, "is open in another program"));
        }
    }
    if (!report.inUse.empty()) {
        return false;
    }

    for (const BlockDevice& device : devices) {
        calls.Flush(device.strNode);
    }
    // Inner mounts first when one file system is mounted inside another.
    std::sort(mounts.begin(), mounts.end(), [](const MountEntry& a, const MountEntry& b) {
        return a.strTarget.size() > b.strTarget.size();
    });
    for (const MountEntry& mount : mounts) {
        const int nError = calls.TestUnmount(mount.strTarget);
        if (nError == EBUSY) {
            report.inUse.push_back(Describe(mount.strTarget, "is in use"));
        } else if (nError != 0) {
            report.inUse.push_back(Describe(
                mount.strTarget, std::string("cannot be unmounted: ") + std::strerror(nError)));
        }
    }
    if (!report.inUse.empty()) {
        return false;
    }
    for (const MountEntry& mount : mounts) {
        const int nError = calls.Unmount(mount.strTarget);
        if (nError != 0) {
            report.inUse.push_back(Describe(
                mount.strTarget, std::string("could not be unmounted: ") + std::strerror(nError)));
            return false;
        }
        report.unmounted.push_back(Utf8ToUtf16(mount.strTarget));
    }
    return true;
}

}  // namespace rf
