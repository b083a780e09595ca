#pragma once

// What the kernel's sysfs tells about a SCSI device: on which bus it hangs
// (from its ancestry), its host/channel/target/lun, and the disk it belongs
// to. The root is a parameter so that tests can build a tree of their own.

#include <optional>
#include <string>
#include <vector>

#include "device/DevicePort.h"

namespace rf {

struct SysfsBusInfo {
    int nBusType = BusTypeUnknown;
    BYTE nMajorVersion = 0;
    BYTE nMinorVersion = 0;
};

// A SCSI disk as the kernel lists it.
struct SysfsScsiDisk {
    std::string strBlockName;    // "sdb"
    std::string strGenericName;  // "sg1", empty when the disk has no sg node
    std::string strDeviceDir;    // the SCSI device's directory
    std::string strVendor;       // INQUIRY texts as the kernel holds them
    std::string strModel;
    std::string strRevision;
};

class CSysfsTree {
public:
    explicit CSysfsTree(std::string strRoot = "/sys") : m_strRoot(std::move(strRoot)) {}

    const std::string& Root() const { return m_strRoot; }

    // The device directory of a block or character device number.
    std::optional<std::string> DeviceDirectory(bool bBlock, unsigned nMajor, unsigned nMinor) const;
    // USB (with the version its link speed stands for), IEEE 1394, ATA or
    // ATAPI behind libata, iSCSI, or SCSI with the device's SCSI level.
    SysfsBusInfo ClassifyBus(const std::string& strDeviceDir) const;
    bool ScsiAddressOf(const std::string& strDeviceDir, ScsiAddress& address) const;
    // The whole disk's number (and the partition's, for a partition) of a
    // disk, partition or sg node.
    bool DiskNumberOf(const std::string& strDeviceDir, StorageDeviceNumber& number) const;
    // The SCSI disks, in a stable order (sda, sdb, ..., sdz, sdaa, ...).
    std::vector<SysfsScsiDisk> ListScsiDisks() const;

    // An attribute's text without surrounding white space; empty when absent.
    static std::string ReadAttribute(const std::string& strDir, const char* pszName);

private:
    // The nearest directory at or above strDir named host:channel:target:lun.
    std::optional<std::string> ScsiDeviceDirOf(const std::string& strDir) const;
    std::vector<std::string> Ancestry(const std::string& strDir) const;

    std::string m_strRoot;
};

}  // namespace rf
