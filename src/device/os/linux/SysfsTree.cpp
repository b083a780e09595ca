#include "device/os/linux/SysfsTree.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace rf {

namespace {

std::string BaseName(const std::string& strPath) {
    return fs::path(strPath).filename().string();
}

// Name of what a link in the directory points to ("usb" for subsystem -> ../bus/usb).
std::string LinkTargetName(const std::string& strDir, const char* pszLink) {
    std::error_code error;
    const fs::path target = fs::read_symlink(fs::path(strDir) / pszLink, error);
    return error ? std::string() : target.filename().string();
}

bool ParseUnsigned(std::string_view text, unsigned& nValue) {
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nValue);
    return error == std::errc() && pEnd == text.data() + text.size();
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

// "8:16" -> major and minor
bool ParseDevNumbers(const std::string& strText, unsigned& nMajor, unsigned& nMinor) {
    const std::size_t nColon = strText.find(':');
    return nColon != std::string::npos &&
           ParseUnsigned(std::string_view(strText).substr(0, nColon), nMajor) &&
           ParseUnsigned(std::string_view(strText).substr(nColon + 1), nMinor);
}

std::uint32_t EncodeDev(unsigned nMajor, unsigned nMinor) {
    return (nMajor << 20) | (nMinor & 0xFFFFF);
}

SysfsBusInfo UsbBusFromSpeed(const std::string& strSpeed, const std::string& strVersion) {
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

std::string CSysfsTree::ReadAttribute(const std::string& strDir, const char* pszName) {
    std::ifstream file(fs::path(strDir) / pszName);
    if (!file) {
        return {};
    }
    std::string strText;
    std::getline(file, strText, '\0');
    const auto first = strText.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = strText.find_last_not_of(" \t\r\n");
    return strText.substr(first, last - first + 1);
}

std::optional<std::string> CSysfsTree::DeviceDirectory(bool bBlock, unsigned nMajor,
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

std::vector<std::string> CSysfsTree::Ancestry(const std::string& strDir) const {
    std::error_code error;
    const fs::path devices = fs::weakly_canonical(fs::path(m_strRoot) / "devices", error);
    std::vector<std::string> dirs;
    for (fs::path dir = strDir; !dir.empty() && dir != devices && dir != dir.parent_path();
         dir = dir.parent_path()) {
        dirs.push_back(dir.string());
    }
    return dirs;
}

std::optional<std::string> CSysfsTree::ScsiDeviceDirOf(const std::string& strDir) const {
    for (const std::string& dir : Ancestry(strDir)) {
        unsigned anParts[4];
        if (ParseHctl(BaseName(dir), anParts)) {
            return dir;
        }
    }
    return std::nullopt;
}

SysfsBusInfo CSysfsTree::ClassifyBus(const std::string& strDeviceDir) const {
    bool bAta = false;
    for (const std::string& dir : Ancestry(strDeviceDir)) {
        const std::string strSubsystem = LinkTargetName(dir, "subsystem");
        const std::string strDriver = LinkTargetName(dir, "driver");
        if (strSubsystem == "usb") {
            const std::string strSpeed = ReadAttribute(dir, "speed");
            if (!strSpeed.empty()) {
                return UsbBusFromSpeed(strSpeed, ReadAttribute(dir, "version"));
            }
        }
        if (strDriver == "sbp2" || strSubsystem == "firewire" || strSubsystem == "ieee1394") {
            return {BusType1394, 1, 0};
        }
        if (IsAtaPortName(BaseName(dir))) {
            bAta = true;
        }
        if (BaseName(dir).starts_with("session") && fs::exists(fs::path(dir) / "iscsi_session")) {
            return {BusTypeiScsi, 0, 0};
        }
    }
    const std::optional<std::string> scsiDir = ScsiDeviceDirOf(strDeviceDir);
    if (bAta) {
        // Peripheral type 5 is a CD/DVD drive: ATAPI; the rest are ATA disks.
        const bool bAtapi = scsiDir && ReadAttribute(*scsiDir, "type") == "5";
        return {bAtapi ? BusTypeAtapi : BusTypeAta, 0, 0};
    }
    unsigned nLevel = 0;
    BYTE nVersion = 0;
    // The kernel keeps the SCSI level one above the INQUIRY version.
    if (scsiDir && ParseUnsigned(ReadAttribute(*scsiDir, "scsi_level"), nLevel) && nLevel > 0 &&
        nLevel < 256) {
        nVersion = static_cast<BYTE>(nLevel - 1);
    }
    return {BusTypeScsi, nVersion, 0};
}

bool CSysfsTree::ScsiAddressOf(const std::string& strDeviceDir, ScsiAddress& address) const {
    const std::optional<std::string> scsiDir = ScsiDeviceDirOf(strDeviceDir);
    unsigned anParts[4];
    if (!scsiDir || !ParseHctl(BaseName(*scsiDir), anParts)) {
        return false;
    }
    address.PortNumber = static_cast<BYTE>(anParts[0]);
    address.PathId = static_cast<BYTE>(anParts[1]);
    address.TargetId = static_cast<BYTE>(anParts[2]);
    address.Lun = static_cast<BYTE>(anParts[3]);
    return true;
}

bool CSysfsTree::DiskNumberOf(const std::string& strDeviceDir, StorageDeviceNumber& number) const {
    unsigned nMajor = 0;
    unsigned nMinor = 0;
    if (LinkTargetName(strDeviceDir, "subsystem") == "block") {
        const std::string strPartition = ReadAttribute(strDeviceDir, "partition");
        unsigned nPartition = 0;
        if (!strPartition.empty()) {
            // A partition: the disk is its parent directory.
            if (!ParseUnsigned(strPartition, nPartition) ||
                !ParseDevNumbers(
                    ReadAttribute(fs::path(strDeviceDir).parent_path().string(), "dev"), nMajor,
                    nMinor)) {
                return false;
            }
        } else if (!ParseDevNumbers(ReadAttribute(strDeviceDir, "dev"), nMajor, nMinor)) {
            return false;
        }
        number = {FILE_DEVICE_DISK, EncodeDev(nMajor, nMinor),
                  static_cast<std::int32_t>(nPartition)};
        return true;
    }
    // An sg node: the disk is the block device of the same SCSI device.
    const std::optional<std::string> scsiDir = ScsiDeviceDirOf(strDeviceDir);
    if (!scsiDir) {
        return false;
    }
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(*scsiDir) / "block", error)) {
        if (ParseDevNumbers(ReadAttribute(entry.path().string(), "dev"), nMajor, nMinor)) {
            number = {FILE_DEVICE_DISK, EncodeDev(nMajor, nMinor), 0};
            return true;
        }
    }
    return false;
}

std::vector<SysfsScsiDisk> CSysfsTree::ListScsiDisks() const {
    std::vector<SysfsScsiDisk> disks;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(m_strRoot) / "class" / "block", error)) {
        const std::string strName = entry.path().filename().string();
        std::error_code resolveError;
        const fs::path dir = fs::canonical(entry.path(), resolveError);
        if (resolveError || fs::exists(dir / "partition")) {
            continue;
        }
        const std::optional<std::string> scsiDir = ScsiDeviceDirOf(dir.string());
        if (!scsiDir || ReadAttribute(*scsiDir, "type") != "0") {
            continue;  // not a SCSI direct-access device
        }
        SysfsScsiDisk disk;
        disk.strBlockName = strName;
        disk.strDeviceDir = *scsiDir;
        disk.strVendor = ReadAttribute(*scsiDir, "vendor");
        disk.strModel = ReadAttribute(*scsiDir, "model");
        disk.strRevision = ReadAttribute(*scsiDir, "rev");
        std::error_code sgError;
        for (const fs::directory_entry& sg :
             fs::directory_iterator(fs::path(*scsiDir) / "scsi_generic", sgError)) {
            disk.strGenericName = sg.path().filename().string();
        }
        disks.push_back(std::move(disk));
    }
    std::sort(disks.begin(), disks.end(), [](const SysfsScsiDisk& a, const SysfsScsiDisk& b) {
        return a.strBlockName.size() != b.strBlockName.size()
                   ? a.strBlockName.size() < b.strBlockName.size()
                   : a.strBlockName < b.strBlockName;
    });
    return disks;
}

}  // namespace rf
