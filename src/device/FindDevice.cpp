#include "device/FindDevice.h"

#include <array>

#include "base/CommandLine.h"
#include "device/ProductTable.h"
#include "device/ScsiDevice.h"

namespace rf {

namespace {

constexpr std::size_t kVendorLength = 8;
constexpr std::size_t kProductLength = 16;

}  // namespace

bool MayBeSupported(const PhysicalDrive& drive) {
    return MayBeSupported(drive, theCmdInfo.m_bEnableAllProducts);
}

bool MayBeSupported(const PhysicalDrive& drive, bool bEnableAllProducts) {
    if (!drive.bInquiryKnown) {
        return true;
    }
    // The fields as INQUIRY holds them: space padded.
    std::array<BYTE, kVendorLength + kProductLength> fields;
    fields.fill(' ');
    for (std::size_t i = 0; i < drive.strVendor.size() && i < kVendorLength; ++i) {
        fields[i] = static_cast<BYTE>(drive.strVendor[i]);
    }
    for (std::size_t i = 0; i < drive.strProduct.size() && i < kProductLength; ++i) {
        fields[kVendorLength + i] = static_cast<BYTE>(drive.strProduct[i]);
    }
    return ProductClassOf(fields.data(), bEnableAllProducts) != 0;
}

DeviceChange SearchDevice(CScsiDevice& device) {
    for (const PhysicalDrive& drive : device.System().ListPhysicalDrives()) {
        if (device.IsOpen()) {
            if (device.m_strPath == drive.strPath) {
                return DeviceChange::None;  // still there
            }
            continue;  // other drives are left alone while ours is open
        }
        if (!MayBeSupported(drive)) {
            continue;
        }
        device.m_strPath = drive.strPath;
        if (device.Open(device.m_strPath.c_str())) {
            return DeviceChange::Found;
        }
        device.Close();
    }
    if (device.IsOpen()) {
        device.Close();
        return DeviceChange::Gone;
    }
    return DeviceChange::None;
}

std::vector<std::u16string> CandidateDrivesWithoutAccess(IDeviceSystem& system) {
    std::vector<std::u16string> names;
    for (const PhysicalDrive& drive : system.ListPhysicalDrives()) {
        if (drive.bBusKnown && (drive.nBusType == BusTypeAta || drive.nBusType == BusTypeAtapi)) {
            continue;
        }
        if (MayBeSupported(drive) && system.Open(drive.strPath) == nullptr) {
            names.push_back(drive.strName);
        }
    }
    return names;
}

}  // namespace rf
