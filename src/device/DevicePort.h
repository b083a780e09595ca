#pragma once

// The seam between the device object and the operating system: a handle to
// one open disk device that performs single requests, and the system that
// opens such handles. Linux answers with SG_IO and sysfs, the emulated
// enclosure in-process. Retries, time-outs and status rules live above this
// seam, in CScsiDevice, so every port stays thin.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "base/Types.h"

namespace rf {

// Which of the two request forms carried the command: small transfers travel
// inside the request, large ones in a separate page-aligned buffer.
enum class ScsiRequestForm { Buffered, Direct };

inline constexpr BYTE kSenseBufferLength = 32;

// One SCSI pass-through request. The fields marked "in and out" carry the
// request's values in and the device's answer back, as the platform's
// pass-through does.
struct ScsiRequest {
    std::array<BYTE, 16> Cdb{};
    BYTE CdbLength = 0;
    BYTE DataIn = 0;  // 1: data from the device, 0: to the device or none
    BYTE PathId = 0;
    BYTE TargetId = 0;
    BYTE Lun = 0;
    UINT TimeOutValue = 0;  // seconds
    ScsiRequestForm Form = ScsiRequestForm::Buffered;
    BYTE* DataBuffer = nullptr;                 // DataTransferLength bytes
    UINT DataTransferLength = 0;                // in and out: bytes asked for, bytes actually moved
    BYTE SenseInfoLength = kSenseBufferLength;  // in and out: room, bytes returned
    BYTE ScsiStatus = 0;                        // out
    std::array<BYTE, kSenseBufferLength> Sense{};  // out
};

// Storage bus types, numbered as the platform's storage stack numbers them.
enum StorageBusType : int {
    BusTypeUnknown = 0,
    BusTypeScsi = 1,
    BusTypeAtapi = 2,
    BusTypeAta = 3,
    BusType1394 = 4,
    BusTypeSsa = 5,
    BusTypeFibre = 6,
    BusTypeUsb = 7,
    BusTypeRAID = 8,
    BusTypeiScsi = 9,
};

struct StorageAdapterDescriptor {
    BYTE BusMajorVersion = 0;
    BYTE BusMinorVersion = 0;
};

struct StorageDeviceDescriptor {
    int BusType = BusTypeUnknown;
};

struct ScsiAddress {
    BYTE PortNumber = 0;
    BYTE PathId = 0;
    BYTE TargetId = 0;
    BYTE Lun = 0;
};

inline constexpr std::int32_t FILE_DEVICE_DISK = 7;

// Identifies a disk (and a partition of it) so that volumes can be matched
// with their physical drive. DeviceType -1 marks a failed request.
struct StorageDeviceNumber {
    std::int32_t DeviceType = 0;
    std::uint32_t DeviceNumber = 0;
    std::int32_t PartitionNumber = 0;
};

class IDeviceHandle {
public:
    virtual ~IDeviceHandle() = default;
    // Exactly one attempt. False when the request could not be delivered;
    // true when it reached the device, whatever the device answered (the
    // answer is in the request's out fields).
    virtual bool SendScsi(ScsiRequest& request) = 0;
    virtual bool QueryAdapter(StorageAdapterDescriptor& descriptor) = 0;
    virtual bool QueryDevice(StorageDeviceDescriptor& descriptor) = 0;
    virtual bool GetScsiAddress(ScsiAddress& address) = 0;
    virtual bool GetDeviceNumber(StorageDeviceNumber& number) = 0;
};

// A physical drive as the system lists it.
struct PhysicalDrive {
    std::u16string strPath;  // what Open takes; the same for as long as the drive stays attached
    std::u16string strName;  // how people know it ("/dev/sdb")
    std::u16string strOtherName;  // another node of the same drive ("/dev/sg1"), or empty
    // INQUIRY vendor, product and revision as the system already holds them,
    // so that drives that cannot be ours are never sent a command.
    bool bInquiryKnown = false;
    std::string strVendor;
    std::string strProduct;
    std::string strRevision;
    // The bus, when the system knows it without opening the drive.
    bool bBusKnown = false;
    int nBusType = BusTypeUnknown;
    BYTE nBusMajorVersion = 0;
    BYTE nBusMinorVersion = 0;
};

// What stood in the way of writing to a disk, or was taken off it.
struct VolumeReport {
    std::vector<std::u16string> inUse;      // mount points, holders, swap areas, open partitions
    std::vector<std::u16string> unmounted;  // file systems taken offline for the update
};

class IDeviceSystem {
public:
    virtual ~IDeviceSystem() = default;
    // Opens a disk device for reading and writing, shared with others; null
    // when it cannot be opened.
    virtual std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) = 0;
    // Every physical drive, in an order that stays the same between calls.
    virtual std::vector<PhysicalDrive> ListPhysicalDrives() = 0;
    // Makes sure nothing on the disk is in use and takes its file systems
    // offline. False when something is in use; then nothing was changed,
    // and the report says what was in the way.
    virtual bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) = 0;
};

}  // namespace rf
