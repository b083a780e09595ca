#pragma once

// A device system for tests: drives that answer each request as the test
// scripted it, and remember every attempt made on them.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/DevicePort.h"

namespace rf::test {

// How one attempt is answered.
struct ScriptedAnswer {
    bool bDeliver = true;              // false: the request fails to reach the device
    BYTE nStatus = 0;                  // SCSI status byte
    std::vector<BYTE> sense;           // sense bytes returned
    std::vector<BYTE> data;            // data-in bytes placed in the buffer
    std::optional<UINT> nTransferred;  // reported count; default: bytes of data (in) or all (out)
};

// One attempt as the port saw it.
struct RecordedRequest {
    ScsiRequest request;        // as sent (out fields not yet filled)
    std::vector<BYTE> dataOut;  // data-out bytes as they were in the buffer
    std::uint64_t nTimeMicroseconds = 0;
    bool bLockHeld = false;  // the device's lock was held during the attempt
};

struct ScriptedDrive {
    bool bOpenable = true;
    bool bAdapterOk = true;
    bool bDeviceOk = true;
    bool bAddressOk = true;
    bool bNumberOk = true;
    StorageAdapterDescriptor adapter{2, 0};
    StorageDeviceDescriptor device{BusTypeUsb};
    ScsiAddress address{};
    StorageDeviceNumber number{FILE_DEVICE_DISK, 0x800010, 0};
    std::vector<BYTE> inquiry;           // INQUIRY answer when nothing else is scripted
    std::deque<ScriptedAnswer> answers;  // consumed one per attempt
    std::function<ScriptedAnswer(const ScsiRequest&)> responder;  // used when no answer is queued
    std::function<bool()> isLockHeld;  // asked during each attempt, when set

    std::vector<RecordedRequest> requests;
    int nOpens = 0;
    int nOpenHandles = 0;
    int nAdapterQueries = 0;
};

class CScriptedDeviceSystem final : public IDeviceSystem {
public:
    // Adds (or replaces) the drive at a path and returns it for scripting.
    std::shared_ptr<ScriptedDrive> AddDrive(const std::u16string& path);
    std::shared_ptr<ScriptedDrive> Drive(const std::u16string& path);

    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;
    // The drives in path order, with nothing known of their INQUIRY.
    std::vector<PhysicalDrive> ListPhysicalDrives() override;
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override;

    bool bVolumesFree = true;

private:
    std::map<std::u16string, std::shared_ptr<ScriptedDrive>> m_drives;
};

// INQUIRY data with the given vendor (8 bytes), product (16) and revision
// (4), padded with spaces; 254 bytes in all.
std::vector<BYTE> MakeInquiry(const std::string& strVendor, const std::string& strProduct,
                              const std::string& strRevision);

}  // namespace rf::test
