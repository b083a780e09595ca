#include "device/TracingDeviceSystem.h"

namespace rf {

namespace {

class CTracingHandle final : public CForwardingDeviceHandle {
public:
    CTracingHandle(std::unique_ptr<IDeviceHandle> pInner, CTracingDeviceSystem& system)
        : CForwardingDeviceHandle(std::move(pInner)), m_system(system) {}

    bool SendScsi(ScsiRequest& request) override {
        TraceEntry entry = MakeTraceEntry(request);
        const bool bDelivered = Inner().SendScsi(request);
        m_system.Record(std::move(entry), bDelivered, request);
        return bDelivered;
    }

private:
    CTracingDeviceSystem& m_system;
};

}  // namespace

std::unique_ptr<IDeviceHandle> CTracingDeviceSystem::Wrap(std::unique_ptr<IDeviceHandle> pInner) {
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
