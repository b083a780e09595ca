#include "device/os/linux/LinuxDeviceSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "app/Text.h"

namespace rf {

std::unique_ptr<IDeviceHandle> CLinuxDeviceSystem::Open(const std::u16string& path) {
    const std::string strPath = Utf16ToUtf8(path);
    // O_NONBLOCK: opening a drive without a medium must not wait for one.
    const int nFd = ::open(strPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(nFd, &info) != 0 || !(S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))) {
        // Only device nodes take SCSI requests; never send one to a file.
        ::close(nFd);
        return nullptr;
    }
    return std::make_unique<CLinuxDeviceHandle>(nFd, S_ISBLK(info.st_mode), major(info.st_rdev),
                                                minor(info.st_rdev), m_tree, m_ioctl);
}

CLinuxDeviceHandle::CLinuxDeviceHandle(int nFd, bool bBlock, unsigned nMajor, unsigned nMinor,
                                       const CSysfsTree& tree, IoctlFunction ioctlFunction)
    : m_nFd(nFd),
      m_deviceDir(tree.DeviceDirectory(bBlock, nMajor, nMinor)),
      m_tree(tree),
      m_ioctl(std::move(ioctlFunction)) {}

CLinuxDeviceHandle::~CLinuxDeviceHandle() {
    ::close(m_nFd);
}

bool CLinuxDeviceHandle::SendScsi(ScsiRequest& request) {
    return SendSgIo(m_nFd, request, m_ioctl);
}

std::optional<SysfsBusInfo> CLinuxDeviceHandle::BusInfo() {
    if (!m_deviceDir) {
        return std::nullopt;
    }
    return m_tree.ClassifyBus(*m_deviceDir);
}

bool CLinuxDeviceHandle::QueryAdapter(StorageAdapterDescriptor& descriptor) {
    const std::optional<SysfsBusInfo> info = BusInfo();
    if (!info) {
        return false;
    }
    descriptor.BusMajorVersion = info->nMajorVersion;
    descriptor.BusMinorVersion = info->nMinorVersion;
    return true;
}

bool CLinuxDeviceHandle::QueryDevice(StorageDeviceDescriptor& descriptor) {
    const std::optional<SysfsBusInfo> info = BusInfo();
    if (!info) {
        return false;
    }
    descriptor.BusType = info->nBusType;
    return true;
}

bool CLinuxDeviceHandle::GetScsiAddress(ScsiAddress& address) {
    return m_deviceDir && m_tree.ScsiAddressOf(*m_deviceDir, address);
}

bool CLinuxDeviceHandle::GetDeviceNumber(StorageDeviceNumber& number) {
    return m_deviceDir && m_tree.DiskNumberOf(*m_deviceDir, number);
}

}  // namespace rf
