#include "device/os/linux/ScsiTopology.h"

#include <algorithm>
#include <charconv>

namespace rf {

namespace {

bool ParseUnsigned(std::string_view text, unsigned& nValue) {
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nValue);
    return !text.empty() && error == std::errc() && pEnd == text.data() + text.size();
}

// "6:0:0:0"
bool ParseHctl(const std::string& strName, unsigned (&anParts)[4]) {
    std::size_t nStart = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t nEnd = i < 3 ? strName.find(':', nStart) : strName.size();
        if (nEnd == std::string::npos ||
            !ParseUnsigned(std::string_view(strName).substr(nStart, nEnd - nStart), anParts[i])) {
            return false;
        }
        nStart = nEnd + 1;
    }
    return true;
}

bool IsAtaPortName(const std::string& strName) {
    unsigned nIndex = 0;
    return strName.starts_with("ata") && ParseUnsigned(std::string_view(strName).substr(3), nIndex);
}

std::vector<std::string> Ancestry(const IDeviceTree& tree, const std::string& strDevice) {
    std::vector<std::string> devices;
    std::optional<std::string> current = strDevice;
    // The tree is shallow; the bound only guards against a loop in a broken one.
    for (int nDepth = 0; current && nDepth < 64; ++nDepth) {
        devices.push_back(*current);
        current = tree.Parent(*current);
    }
    return devices;
}

ScsiBusInfo UsbBusFromSpeed(const std::string& strSpeed, const std::string& strVersion) {
    struct SpeedVersion {
        const char* pszSpeed;
        BYTE nMajor;
        BYTE nMinor;
    };
    // Full and low speed are USB 1.1 links; the rest by the speed's generation.
    static constexpr SpeedVersion kSpeeds[] = {
        {"1.5", 1, 1},  {"12", 1, 1},    {"480", 2, 0},
        {"5000", 3, 0}, {"10000", 3, 1}, {"20000", 3, 2},
    };
    for (const SpeedVersion& entry : kSpeeds) {
        if (strSpeed == entry.pszSpeed) {
            return {BusTypeUsb, entry.nMajor, entry.nMinor};
        }
    }
    // An unknown speed: fall back on the device's own USB version (" 2.00").
    unsigned nMajor = 0;
    const std::size_t nDot = strVersion.find('.');
    if (nDot != std::string::npos && ParseUnsigned(strVersion.substr(0, nDot), nMajor) &&
        nMajor <= 9) {
        const char cMinor = nDot + 1 < strVersion.size() ? strVersion[nDot + 1] : '0';
        return {BusTypeUsb, static_cast<BYTE>(nMajor),
                static_cast<BYTE>(cMinor >= '0' && cMinor <= '9' ? cMinor - '0' : 0)};
    }
    return {BusTypeUsb, 2, 0};
}

}  // namespace

std::uint32_t EncodeDevNumber(unsigned nMajor, unsigned nMinor) {
    return (nMajor << 20) | (nMinor & 0xFFFFF);
}

bool ParseDevNumbers(const std::string& strText, unsigned& nMajor, unsigned& nMinor) {
    const std::size_t nColon = strText.find(':');
    return nColon != std::string::npos &&
           ParseUnsigned(std::string_view(strText).substr(0, nColon), nMajor) &&
           ParseUnsigned(std::string_view(strText).substr(nColon + 1), nMinor);
}

std::optional<std::string> ScsiDeviceOf(const IDeviceTree& tree, const std::string& strDevice) {
    for (const std::string& device : Ancestry(tree, strDevice)) {
        unsigned anParts[4];
        if (ParseHctl(tree.SysName(device), anParts)) {
            return device;
        }
    }
    return std::nullopt;
}

ScsiBusInfo ClassifyBus(const IDeviceTree& tree, const std::string& strDevice) {
    bool bAta = false;
    for (const std::string& device : Ancestry(tree, strDevice)) {
        const std::string strSubsystem = tree.Subsystem(device);
        const std::string strDriver = tree.Driver(device);
        const std::string strName = tree.SysName(device);
        if (strSubsystem == "usb") {
            const std::string strSpeed = tree.Attribute(device, "speed");
            if (!strSpeed.empty()) {
                return UsbBusFromSpeed(strSpeed, tree.Attribute(device, "version"));
            }
        }
        if (strDriver == "sbp2" || strSubsystem == "firewire" || strSubsystem == "ieee1394") {
            return {BusType1394, 1, 0};
        }
        if (strSubsystem == "iscsi_session" ||
            (strName.starts_with("session") && !tree.Children(device, "iscsi_session").empty())) {
            return {BusTypeiScsi, 0, 0};
        }
        if (IsAtaPortName(strName)) {
            bAta = true;
        }
    }
    const std::optional<std::string> scsiDevice = ScsiDeviceOf(tree, strDevice);
    if (bAta) {
        // Peripheral type 5 is a CD/DVD drive: ATAPI; the rest are ATA disks.
        const bool bAtapi = scsiDevice && tree.Attribute(*scsiDevice, "type") == "5";
        return {bAtapi ? BusTypeAtapi : BusTypeAta, 0, 0};
    }
    unsigned nLevel = 0;
    BYTE nVersion = 0;
    // The kernel keeps the SCSI level one above the INQUIRY version.
    if (scsiDevice && ParseUnsigned(tree.Attribute(*scsiDevice, "scsi_level"), nLevel) &&
        nLevel > 0 && nLevel < 256) {
        nVersion = static_cast<BYTE>(nLevel - 1);
    }
    return {BusTypeScsi, nVersion, 0};
}

bool ScsiAddressOf(const IDeviceTree& tree, const std::string& strDevice, ScsiAddress& address) {
    const std::optional<std::string> scsiDevice = ScsiDeviceOf(tree, strDevice);
    unsigned anParts[4];
    if (!scsiDevice || !ParseHctl(tree.SysName(*scsiDevice), anParts)) {
        return false;
    }
    address.PortNumber = static_cast<BYTE>(anParts[0]);
    address.PathId = static_cast<BYTE>(anParts[1]);
    address.TargetId = static_cast<BYTE>(anParts[2]);
    address.Lun = static_cast<BYTE>(anParts[3]);
    return true;
}

bool DiskNumberOf(const IDeviceTree& tree, const std::string& strDevice,
                  StorageDeviceNumber& number) {
    unsigned nMajor = 0;
    unsigned nMinor = 0;
    if (tree.Subsystem(strDevice) == "block") {
        const std::string strPartition = tree.Attribute(strDevice, "partition");
        unsigned nPartition = 0;
        if (!strPartition.empty()) {
            // A partition: the disk is its parent.
            const std::optional<std::string> disk = tree.Parent(strDevice);
            if (!disk || !ParseUnsigned(strPartition, nPartition) ||
                !ParseDevNumbers(tree.Attribute(*disk, "dev"), nMajor, nMinor)) {
                return false;
            }
        } else if (!ParseDevNumbers(tree.Attribute(strDevice, "dev"), nMajor, nMinor)) {
            return false;
        }
        number = {FILE_DEVICE_DISK, EncodeDevNumber(nMajor, nMinor),
                  static_cast<std::int32_t>(nPartition)};
        return true;
    }
    // An sg node: the disk is the block device of the same SCSI device.
    const std::optional<std::string> scsiDevice = ScsiDeviceOf(tree, strDevice);
    if (!scsiDevice) {
        return false;
    }
    for (const std::string& block : tree.Children(*scsiDevice, "block")) {
        if (tree.Attribute(block, "partition").empty() &&
            ParseDevNumbers(tree.Attribute(block, "dev"), nMajor, nMinor)) {
            number = {FILE_DEVICE_DISK, EncodeDevNumber(nMajor, nMinor), 0};
            return true;
        }
    }
    return false;
}

std::vector<ScsiDisk> ListScsiDisks(const IDeviceTree& tree) {
    std::vector<ScsiDisk> disks;
    for (const std::string& block : tree.Enumerate("block")) {
        if (!tree.Attribute(block, "partition").empty()) {
            continue;
        }
        const std::optional<std::string> scsiDevice = ScsiDeviceOf(tree, block);
        if (!scsiDevice || tree.Attribute(*scsiDevice, "type") != "0") {
            continue;  // not a SCSI direct-access device
        }
        ScsiDisk disk;
        disk.strScsiDevice = *scsiDevice;
        disk.strBlockName = tree.SysName(block);
        disk.strBlockNode = tree.DevNode(block);
        disk.strVendor = tree.Attribute(*scsiDevice, "vendor");
        disk.strModel = tree.Attribute(*scsiDevice, "model");
        disk.strRevision = tree.Attribute(*scsiDevice, "rev");
        for (const std::string& generic : tree.Children(*scsiDevice, "scsi_generic")) {
            disk.strGenericNode = tree.DevNode(generic);
        }
        disks.push_back(std::move(disk));
    }
    std::sort(disks.begin(), disks.end(), [](const ScsiDisk& a, const ScsiDisk& b) {
        return a.strBlockName.size() != b.strBlockName.size()
                   ? a.strBlockName.size() < b.strBlockName.size()
                   : a.strBlockName < b.strBlockName;
    });
    return disks;
}

}  // namespace rf
