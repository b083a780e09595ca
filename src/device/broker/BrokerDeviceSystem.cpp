#include "device/broker/BrokerDeviceSystem.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/Text.h"
#include "device/ScsiDevice.h"
#include "device/broker/BrokerSocket.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// A request waits for its answer as long as the longest command may take,
// twice over (another connection's command may go first), and a little more.
constexpr int kAnswerMilliseconds = (2 * kLongestTimeoutSeconds + 30) * 1000;
constexpr int kSendMilliseconds = 30'000;

constexpr UINT kRefusalMessages[] = {
    0,
    IDS_BROKER_REFUSED_PEER,
    IDS_BROKER_REFUSED_NOT_LISTED,
    IDS_BROKER_REFUSED_NOT_SUPPORTED,
    IDS_BROKER_REFUSED_COMMAND,
    IDS_BROKER_REFUSED_NO_DRIVE,
};
static_assert(std::size(kRefusalMessages) == kLastBrokerRefusal + 1);

std::u16string HexOf(const BYTE* pBytes, std::size_t nCount) {
    std::string text;
    AppendHexBytes(text, std::span<const BYTE>(pBytes, nCount));
    return Widen(text);
}

}  // namespace

UINT BrokerRefusalMessage(BrokerRefusal refusal) {
    return kRefusalMessages[static_cast<BYTE>(refusal)];
}

namespace {

// A connection over the socket. Once an exchange failed, the stream may be
// out of step: the connection is done.
class CSocketChannel final : public IBrokerChannel {
public:
    explicit CSocketChannel(int nFd) : m_nFd(nFd) {}
    ~CSocketChannel() override { ::close(m_nFd); }
    CSocketChannel(const CSocketChannel&) = delete;
    CSocketChannel& operator=(const CSocketChannel&) = delete;

    bool Exchange(const BrokerRequest& request, BrokerAnswer& answer) override {
        if (m_bBroken) {
            return false;
        }
        std::vector<BYTE> frame = WriteBrokerRequest(request);
        std::size_t nConsumed = 0;
        m_bBroken = !WriteWhole(m_nFd, frame, kSendMilliseconds) ||
                    !ReadFrame(m_nFd, frame, kAnswerMilliseconds) ||
                    ReadBrokerAnswer(frame, answer, nConsumed) != FrameRead::Done ||
                    answer.kind != request.kind;
        return !m_bBroken;
    }

private:
    int m_nFd;
    bool m_bBroken = false;
};

}  // namespace

BrokerConnector SocketConnector(const std::string& strSocket) {
    return [strSocket]() -> std::unique_ptr<IBrokerChannel> {
        const int nFd = ConnectBrokerSocket(strSocket);
        return nFd >= 0 ? std::make_unique<CSocketChannel>(nFd) : nullptr;
    };
}

class CBrokerHandle final : public IDeviceHandle {
public:
    CBrokerHandle(std::unique_ptr<IBrokerChannel> pConnection, CBrokerDeviceSystem& system)
        : m_pConnection(std::move(pConnection)), m_pSystem(&system) {}
    ~CBrokerHandle() override {
        if (m_pSystem != nullptr) {
            m_pSystem->Forget(this);
        }
    }
    CBrokerHandle(const CBrokerHandle&) = delete;
    CBrokerHandle& operator=(const CBrokerHandle&) = delete;

    void Detach() { m_pSystem = nullptr; }

    bool SendScsi(ScsiRequest& request) override {
        BrokerRequest asked;
        asked.kind = BrokerRequestKind::Scsi;
        asked.cdb = request.Cdb;
        asked.nCdbLength = request.CdbLength;
        TraceEntry shape = MakeTraceEntry(request);
        asked.direction = shape.direction;
        asked.nLength = shape.direction == TraceDirection::None ? 0 : request.DataTransferLength;
        if (request.CdbLength == 0 || request.CdbLength > request.Cdb.size() ||
            asked.nLength > kFlashImageMax) {
            // Nothing the broker would forward: it is not even asked.
            Refused(BrokerRefusal::Command, request);
            return false;
        }
        asked.dataOut = std::move(shape.dataOut);
        BrokerAnswer answer;
        if (!m_pConnection->Exchange(asked, answer)) {
            return false;
        }
        if (answer.refusal != BrokerRefusal::None) {
            Refused(answer.refusal, request);
            return false;
        }
        request.ScsiStatus = answer.nStatus;
        request.SenseInfoLength = static_cast<BYTE>(answer.sense.size());
        std::copy(answer.sense.begin(), answer.sense.end(), request.Sense.begin());
        request.DataTransferLength = std::min(answer.nMoved, asked.nLength);
        if (asked.direction == TraceDirection::In) {
            std::copy_n(answer.dataIn.begin(),
                        std::min<std::size_t>(answer.dataIn.size(), asked.nLength),
                        request.DataBuffer);
        }
        return answer.bOk;
    }

    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override {
        return Describe(descriptor, &BrokerAnswer::bAdapterOk, &BrokerAnswer::adapter);
    }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override {
        return Describe(descriptor, &BrokerAnswer::bDeviceOk, &BrokerAnswer::device);
    }
    bool GetScsiAddress(ScsiAddress& address) override {
        return Describe(address, &BrokerAnswer::bAddressOk, &BrokerAnswer::address);
    }
    bool GetDeviceNumber(StorageDeviceNumber& number) override {
        return Describe(number, &BrokerAnswer::bNumberOk, &BrokerAnswer::number);
    }

    bool PrepareVolumes(VolumeReport& report) {
        BrokerRequest request;
        request.kind = BrokerRequestKind::PrepareVolumes;
        BrokerAnswer answer;
        if (!m_pConnection->Exchange(request, answer) || answer.refusal != BrokerRefusal::None) {
            return false;
        }
        report = answer.volumes;
        return answer.bOk;
    }

private:
    // One of the open drive's descriptions, as the broker's handle gave it.
    template <class TValue>
    bool Describe(TValue& value, bool BrokerAnswer::*pbOk, TValue BrokerAnswer::*pValue) {
        BrokerRequest request;
        request.kind = BrokerRequestKind::Describe;
        BrokerAnswer answer;
        const bool bOk = m_pConnection->Exchange(request, answer) &&
                         answer.refusal == BrokerRefusal::None && answer.*pbOk;
        value = answer.*pValue;
        return bOk;
    }

    void Refused(BrokerRefusal refusal, const ScsiRequest& request) {
        if (m_pSystem != nullptr) {
            m_pSystem->Note(
                {refusal, HexOf(request.Cdb.data(),
                                std::min<std::size_t>(request.CdbLength, request.Cdb.size()))});
        }
    }

    std::unique_ptr<IBrokerChannel> m_pConnection;
    CBrokerDeviceSystem* m_pSystem;
};

CBrokerDeviceSystem::~CBrokerDeviceSystem() {
    for (CBrokerHandle* pHandle : m_handles) {
        pHandle->Detach();
    }
}

std::unique_ptr<IBrokerChannel> CBrokerDeviceSystem::Connect() {
    std::unique_ptr<IBrokerChannel> pChannel = m_connect();
    m_bUnreachable = m_bUnreachable || pChannel == nullptr;
    return pChannel;
}

std::unique_ptr<IDeviceHandle> CBrokerDeviceSystem::Open(const std::u16string& path) {
    std::unique_ptr<IBrokerChannel> pConnection = Connect();
    if (pConnection == nullptr) {
        return nullptr;
    }
    BrokerRequest request;
    request.kind = BrokerRequestKind::OpenDrive;
    request.strPath = Utf16ToUtf8(path);
    request.bAllProducts = m_bAllProducts;
    BrokerAnswer answer;
    if (!pConnection->Exchange(request, answer)) {
        return nullptr;
    }
    if (answer.refusal != BrokerRefusal::None) {
        Note({answer.refusal, path});
        return nullptr;
    }
    auto pHandle = std::make_unique<CBrokerHandle>(std::move(pConnection), *this);
    m_handles.push_back(pHandle.get());
    return pHandle;
}

std::vector<PhysicalDrive> CBrokerDeviceSystem::ListPhysicalDrives() {
    std::unique_ptr<IBrokerChannel> pConnection = Connect();
    BrokerRequest request;
    request.kind = BrokerRequestKind::ListDrives;
    BrokerAnswer answer;
    if (pConnection == nullptr || !pConnection->Exchange(request, answer)) {
        return {};
    }
    if (answer.refusal != BrokerRefusal::None) {
        Note({answer.refusal, {}});
        return {};
    }
    return answer.drives;
}

CBrokerHandle* CBrokerDeviceSystem::HandleOf(const StorageDeviceNumber& disk) {
    for (CBrokerHandle* pHandle : m_handles) {
        StorageDeviceNumber number;
        if (pHandle->GetDeviceNumber(number) && number.DeviceType == disk.DeviceType &&
            number.DeviceNumber == disk.DeviceNumber) {
            return pHandle;
        }
    }
    return nullptr;
}

bool CBrokerDeviceSystem::HoldsDisk(const StorageDeviceNumber& disk) {
    return HandleOf(disk) != nullptr;
}

bool CBrokerDeviceSystem::PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) {
    CBrokerHandle* pHandle = HandleOf(disk);
    if (pHandle == nullptr) {
        report.inUse.push_back(LoadResString(IDS_BROKER_DISK_NOT_OPEN));
        return false;
    }
    return pHandle->PrepareVolumes(report);
}

std::vector<BrokerNotice> CBrokerDeviceSystem::TakeNotices() {
    return std::exchange(m_notices, {});
}

void CBrokerDeviceSystem::Note(BrokerNotice notice) {
    if (m_notices.empty() || m_notices.back() != notice) {
        m_notices.push_back(std::move(notice));
    }
}

void CBrokerDeviceSystem::Forget(CBrokerHandle* pHandle) {
    std::erase(m_handles, pHandle);
}

std::unique_ptr<IDeviceHandle> CBrokerFallbackDeviceSystem::Open(const std::u16string& path) {
    std::unique_ptr<IDeviceHandle> pHandle = m_local.Open(path);
    return pHandle != nullptr ? std::move(pHandle) : m_broker.Open(path);
}

bool CBrokerFallbackDeviceSystem::PrepareVolumes(const StorageDeviceNumber& disk,
                                                 VolumeReport& report) {
    return m_broker.HoldsDisk(disk) ? m_broker.PrepareVolumes(disk, report)
                                    : m_local.PrepareVolumes(disk, report);
}

}  // namespace rf
