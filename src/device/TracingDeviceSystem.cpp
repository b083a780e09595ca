#include "device/TracingDeviceSystem.h"

namespace rf {

namespace {

class CTracingHandle final : public IDeviceHandle {
public:
    CTracingHandle(std::unique_ptr<IDeviceHandle> pInner, CTracingDeviceSystem& system)
        : m_pInner(std::move(pInner)), m_system(system) {}

    bool SendScsi(ScsiRequest& request) override {
        TraceEntry entry;
        entry.cdb = request.Cdb;
        entry.nCdbLength = request.CdbLength;
        const bool bHasData = request.DataTransferLength != 0 && request.DataBuffer != nullptr;
        entry.direction = !bHasData ? TraceDirection::None
                          : request.DataIn != 0 ? TraceDirection::In
                                                : TraceDirection::Out;
        entry.nLength = request.DataTransferLength;
        if (entry.direction == TraceDirection::Out) {
            entry.dataOut.assign(request.DataBuffer, request.DataBuffer + request.DataTransferLength);
        }
        const bool bDelivered = m_pInner->SendScsi(request);
        m_system.Record(std::move(entry), bDelivered, request);
        return bDelivered;
    }
    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override { return m_pInner->QueryAdapter(descriptor); }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override { return m_pInner->QueryDevice(descriptor); }
    bool GetScsiAddress(ScsiAddress& address) override { return m_pInner->GetScsiAddress(address); }
    bool GetDeviceNumber(StorageDeviceNumber& number) override { return m_pInner->GetDeviceNumber(number); }

private:
    std::unique_ptr<IDeviceHandle> m_pInner;
    CTracingDeviceSystem& m_system;
};

}  // namespace

std::unique_ptr<IDeviceHandle> CTracingDeviceSystem::Open(const std::u16string& path) {
    std::unique_ptr<IDeviceHandle> pInner = m_inner.Open(path);
    if (pInner == nullptr) {
        return nullptr;
    }
    return std::make_unique<CTracingHandle>(std::move(pInner), *this);
}

void CTracingDeviceSystem::Record(TraceEntry entry, bool bDelivered, const ScsiRequest& answer) {
    entry.nIndex = m_counters.nCommands++;
    if (bDelivered) {
        entry.nStatus = answer.ScsiStatus;
        if (entry.direction == TraceDirection::In) {
            m_counters.nBytesIn += answer.DataTransferLength;
        } else if (entry.direction == TraceDirection::Out) {
            m_counters.nBytesOut += entry.nLength;
        }
    } else {
        entry.nStatus = 0xFF;
        ++m_counters.nFailed;
    }
    if (m_sink) {
        m_sink(entry);
    }
}

}  // namespace rf
