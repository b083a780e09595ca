#include "update/UnitChoice.h"

#include <array>
#include <optional>

#include "device/ScsiDevice.h"
#include "images/RomSeeprom.h"

namespace rf {

namespace {

// The revision a bridge without firmware reports; such a bridge cannot
// reach the EEPROM that holds the serial number.
constexpr char kNoFirmwareRevision[] = "FFFF";

// Whether the drive is a supported enclosure by what the system already
// holds of it, so that telling needs no command; nullopt when only its
// identification can tell.
std::optional<bool> KnownSupported(const PhysicalDrive& drive, bool bAllProducts) {
    if (!drive.bInquiryKnown || !drive.bBusKnown) {
        return std::nullopt;
    }
    return drive.nBusType != BusTypeAta && drive.nBusType != BusTypeAtapi &&
           MayBeSupported(drive, bAllProducts);
}

}  // namespace

bool DriveHasName(const PhysicalDrive& drive, const std::u16string& name) {
    return !name.empty() &&
           (drive.strName == name || drive.strOtherName == name || drive.strPath == name);
}

std::u16string ReadSerialNumber(CScsiDevice& device) {
    if (!device.IsOpen() || device.m_bRomMode) {
        return {};
    }
    std::array<BYTE, kSeepromHeaderSize> header{};
    if (!device.ReadCpuEeprom(0, header.data(), kSeepromHeaderSize, nullptr) ||
        !IsValidSeepromHeader(header.data())) {
        return {};
    }
    return SeepromSerialText(header.data());
}

DeviceChange SearchNamedDevice(CScsiDevice& device, const std::u16string& name) {
    const std::vector<PhysicalDrive> drives = device.System().ListPhysicalDrives();
    if (device.IsOpen()) {
        for (const PhysicalDrive& drive : drives) {
            if (drive.strPath == device.m_strPath) {
                return DeviceChange::None;  // still there
            }
        }
        device.Close();
        return DeviceChange::Gone;
    }
    auto open = [&](const PhysicalDrive& drive) {
        if (!MayBeSupported(drive, device.m_bAllProducts)) {
            return false;
        }
        device.m_strPath = drive.strPath;
        if (device.Open(device.m_strPath.c_str())) {
            return true;
        }
        device.Close();
        return false;
    };
    // A drive name is known without a command; only that drive is opened.
    for (const PhysicalDrive& drive : drives) {
        if (DriveHasName(drive, name)) {
            return open(drive) ? DeviceChange::Found : DeviceChange::None;
        }
    }
    for (const PhysicalDrive& drive : drives) {
        if (drive.bInquiryKnown && drive.strRevision == kNoFirmwareRevision) {
            continue;  // no serial number to compare
        }
        if (open(drive)) {
            if (ReadSerialNumber(device) == name) {
                return DeviceChange::Found;
            }
            // Closing sends nothing: the drive was only looked at.
            device.Close();
        }
    }
    return DeviceChange::None;
}

std::vector<PhysicalDrive> OtherSupportedDrives(const CScsiDevice& device) {
    std::vector<PhysicalDrive> others;
    for (const PhysicalDrive& drive : device.System().ListPhysicalDrives()) {
        if (drive.strPath == device.m_strPath || !MayBeSupported(drive, device.m_bAllProducts)) {
            continue;
        }
        if (const std::optional<bool> known = KnownSupported(drive, device.m_bAllProducts)) {
            if (*known) {
                others.push_back(drive);
            }
            continue;
        }
        CScsiDevice other(device.System());
        other.m_bAllProducts = device.m_bAllProducts;
        other.m_strPath = drive.strPath;
        if (other.Open(other.m_strPath.c_str())) {
            others.push_back(drive);
        }
        other.Close();
    }
    return others;
}

}  // namespace rf
