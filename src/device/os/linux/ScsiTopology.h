#pragma once

// What the device tree tells about SCSI disks: on which bus each hangs
// (from its ancestry), its host/channel/target/lun, the disk a node belongs
// to, and the list of disks with the INQUIRY texts the kernel already holds.

#include <optional>
#include <string>
#include <vector>

#include "device/DevicePort.h"
#include "device/os/linux/DeviceTree.h"

namespace rf {

struct ScsiBusInfo {
    int nBusType = BusTypeUnknown;
    BYTE nMajorVersion = 0;
    BYTE nMinorVersion = 0;
};

struct ScsiDisk {
    std::string strScsiDevice;   // the SCSI device (host:channel:target:lun), stable while attached
    std::string strBlockName;    // "sdb"
    std::string strBlockNode;    // "/dev/sdb"
    std::string strGenericNode;  // "/dev/sg1", empty without an sg node
    std::string strVendor;       // INQUIRY texts as the kernel holds them
    std::string strModel;
    std::string strRevision;
};

// USB (with the version its link speed stands for), IEEE 1394, ATA or ATAPI
// behind libata, iSCSI, or SCSI with the device's SCSI level.
ScsiBusInfo ClassifyBus(const IDeviceTree& tree, const std::string& strDevice);
// The nearest device at or above strDevice named host:channel:target:lun.
std::optional<std::string> ScsiDeviceOf(const IDeviceTree& tree, const std::string& strDevice);
bool ScsiAddressOf(const IDeviceTree& tree, const std::string& strDevice, ScsiAddress& address);
// The whole disk's number (and the partition's, for a partition) of a
// disk, partition or sg node.
bool DiskNumberOf(const IDeviceTree& tree, const std::string& strDevice,
                  StorageDeviceNumber& number);
// The SCSI disks, in a stable order (sda, sdb, ..., sdz, sdaa, ...).
std::vector<ScsiDisk> ListScsiDisks(const IDeviceTree& tree);

// Device numbers as StorageDeviceNumber carries them.
std::uint32_t EncodeDevNumber(unsigned nMajor, unsigned nMinor);
bool ParseDevNumbers(const std::string& strText, unsigned& nMajor, unsigned& nMinor);

}  // namespace rf
