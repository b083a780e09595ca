#include "support/ScriptedDevice.h"

#include <algorithm>
#include <cstring>

#include "base/Clock.h"

namespace rf::test {

namespace {

class CScriptedHandle final : public IDeviceHandle {
public:
    explicit CScriptedHandle(std::shared_ptr<ScriptedDrive> drive) : m_drive(std::move(drive)) {
        ++m_drive->nOpenHandles;
    }
    ~CScriptedHandle() override { --m_drive->nOpenHandles; }

    bool SendScsi(ScsiRequest& request) override {
        ScriptedDrive& drive = *m_drive;
        RecordedRequest record;
        record.request = request;
        record.nTimeMicroseconds = CurrentClock().NowMicroseconds();
        record.bLockHeld = drive.isLockHeld ? drive.isLockHeld() : false;
        if (request.DataIn == 0 && request.DataBuffer != nullptr) {
            record.dataOut.assign(request.DataBuffer,
                                  request.DataBuffer + request.DataTransferLength);
        }
        drive.requests.push_back(record);

        ScriptedAnswer answer;
        if (!drive.answers.empty()) {
            answer = drive.answers.front();
            drive.answers.pop_front();
        } else if (drive.responder) {
            answer = drive.responder(request);
        } else if (request.Cdb[0] == 0x12 && !drive.inquiry.empty()) {
            answer.data = drive.inquiry;
        }
        if (!answer.bDeliver) {
            return false;
        }
        request.ScsiStatus = answer.nStatus;
        const std::size_t nSense = std::min(answer.sense.size(), request.Sense.size());
        std::copy_n(answer.sense.begin(), nSense, request.Sense.begin());
        request.SenseInfoLength = static_cast<BYTE>(nSense);
        UINT nMoved = request.DataTransferLength;
        if (request.DataIn != 0 && request.DataBuffer != nullptr) {
            nMoved = static_cast<UINT>(
                std::min<std::size_t>(answer.data.size(), request.DataTransferLength));
            std::copy_n(answer.data.begin(), nMoved, request.DataBuffer);
        }
        request.DataTransferLength = answer.nTransferred.value_or(nMoved);
        return true;
    }

    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override {
        ++m_drive->nAdapterQueries;
        descriptor = m_drive->adapter;
        return m_drive->bAdapterOk;
    }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override {
        descriptor = m_drive->device;
        return m_drive->bDeviceOk;
    }
    bool GetScsiAddress(ScsiAddress& address) override {
        address = m_drive->address;
        return m_drive->bAddressOk;
    }
    bool GetDeviceNumber(StorageDeviceNumber& number) override {
        number = m_drive->number;
        return m_drive->bNumberOk;
    }

private:
    std::shared_ptr<ScriptedDrive> m_drive;
};

}  // namespace

std::shared_ptr<ScriptedDrive> CScriptedDeviceSystem::AddDrive(const std::u16string& path) {
    auto drive = std::make_shared<ScriptedDrive>();
    m_drives[path] = drive;
    return drive;
}

std::shared_ptr<ScriptedDrive> CScriptedDeviceSystem::Drive(const std::u16string& path) {
    const auto it = m_drives.find(path);
    return it == m_drives.end() ? nullptr : it->second;
}

std::unique_ptr<IDeviceHandle> CScriptedDeviceSystem::Open(const std::u16string& path) {
    const auto it = m_drives.find(path);
    if (it == m_drives.end() || !it->second->bOpenable) {
        return nullptr;
    }
    ++it->second->nOpens;
    return std::make_unique<CScriptedHandle>(it->second);
}

std::vector<PhysicalDrive> CScriptedDeviceSystem::ListPhysicalDrives() {
    std::vector<PhysicalDrive> drives;
    for (const auto& [path, drive] : m_drives) {
        drives.push_back(PhysicalDrive{.strPath = path, .strName = path});
    }
    return drives;
}

bool CScriptedDeviceSystem::PrepareVolumes(const StorageDeviceNumber&, VolumeReport& report) {
    if (!bVolumesFree) {
        report.inUse.push_back(u"/media/scripted is in use");
    }
    return bVolumesFree;
}

std::vector<BYTE> MakeInquiry(const std::string& strVendor, const std::string& strProduct,
                              const std::string& strRevision) {
    std::vector<BYTE> data(254, 0);
    data[4] = 31;  // additional length
    auto put = [&](std::size_t nOffset, std::size_t nLength, const std::string& text) {
        for (std::size_t i = 0; i < nLength; ++i) {
            data[nOffset + i] = i < text.size() ? static_cast<BYTE>(text[i]) : BYTE{' '};
        }
    };
    put(8, 8, strVendor);
    put(16, 16, strProduct);
    put(32, 4, strRevision);
    return data;
}

}  // namespace rf::test
