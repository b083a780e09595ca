#include "device/os/linux/LinuxDeviceSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "base/Text.h"
#include "device/os/linux/ScsiTopology.h"

namespace rf {

namespace {

// The node to open for a drive path: its sg node when it has one (vendor
// commands pass there without the block layer's command filter), else its
// disk node; a device node path stands for itself.
std::string NodeFor(const IDeviceTree& tree, const std::string& strPath) {
    const std::vector<std::string> generic = tree.Children(strPath, "scsi_generic");
    if (!generic.empty()) {
        return tree.DevNode(generic.front());
    }
    const std::vector<std::string> blocks = tree.Children(strPath, "block");
    for (const std::string& block : blocks) {
        if (tree.Attribute(block, "partition").empty()) {
            return tree.DevNode(block);
        }
    }
    return strPath;
}

}  // namespace

std::unique_ptr<IDeviceHandle> CLinuxDeviceSystem::Open(const std::u16string& path) {
    const std::string strNode = NodeFor(m_tree, Utf16ToUtf8(path));
    // O_NONBLOCK: opening a drive without a medium must not wait for one.
    const int nFd = ::open(strNode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(nFd, &info) != 0 || !(S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))) {
        // Only device nodes take SCSI requests; never send one to a file.
        ::close(nFd);
        return nullptr;
    }
    return std::make_unique<CLinuxDeviceHandle>(
        nFd, m_tree.FromDevNum(S_ISBLK(info.st_mode), major(info.st_rdev), minor(info.st_rdev)),
        m_tree, m_ioctl);
}

std::vector<PhysicalDrive> CLinuxDeviceSystem::ListPhysicalDrives() {
    std::vector<PhysicalDrive> drives;
    for (const ScsiDisk& disk : ListScsiDisks(m_tree)) {
        PhysicalDrive drive;
        drive.strPath = Utf8ToUtf16(disk.strScsiDevice);
        drive.strName =
            Utf8ToUtf16(disk.strBlockNode.empty() ? disk.strBlockName : disk.strBlockNode);
        drive.strOtherName = Utf8ToUtf16(disk.strGenericNode);
        drive.bInquiryKnown = true;
        drive.strVendor = disk.strVendor;
        drive.strProduct = disk.strModel;
        drive.strRevision = disk.strRevision;
        const ScsiBusInfo bus = ClassifyBus(m_tree, disk.strScsiDevice);
        drive.bBusKnown = true;
        drive.nBusType = bus.nBusType;
        drive.nBusMajorVersion = bus.nMajorVersion;
        drive.nBusMinorVersion = bus.nMinorVersion;
        drives.push_back(std::move(drive));
    }
    return drives;
}

bool CLinuxDeviceSystem::PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) {
    return PrepareLinuxVolumes(m_tree, m_volumeCalls, disk, report);
}

CLinuxDeviceHandle::CLinuxDeviceHandle(int nFd, std::optional<std::string> device,
                                       const IDeviceTree& tree, IoctlFunction ioctlFunction)
    : m_nFd(nFd), m_device(std::move(device)), m_tree(tree), m_ioctl(std::move(ioctlFunction)) {}

CLinuxDeviceHandle::~CLinuxDeviceHandle() {
    ::close(m_nFd);
}

bool CLinuxDeviceHandle::SendScsi(ScsiRequest& request) {
    return SendSgIo(m_nFd, request, m_ioctl);
}

bool CLinuxDeviceHandle::QueryAdapter(StorageAdapterDescriptor& descriptor) {
    if (!m_device) {
        return false;
    }
    const ScsiBusInfo info = ClassifyBus(m_tree, *m_device);
    descriptor.BusMajorVersion = info.nMajorVersion;
    descriptor.BusMinorVersion = info.nMinorVersion;
    return true;
}

bool CLinuxDeviceHandle::QueryDevice(StorageDeviceDescriptor& descriptor) {
    if (!m_device) {
        return false;
    }
    descriptor.BusType = ClassifyBus(m_tree, *m_device).nBusType;
    return true;
}

bool CLinuxDeviceHandle::GetScsiAddress(ScsiAddress& address) {
    return m_device && ScsiAddressOf(m_tree, *m_device, address);
}

bool CLinuxDeviceHandle::GetDeviceNumber(StorageDeviceNumber& number) {
    return m_device && DiskNumberOf(m_tree, *m_device, number);
}

}  // namespace rf
