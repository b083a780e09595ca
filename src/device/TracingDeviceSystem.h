#pragma once

// Records every command block sent to any drive of another device system:
// the trace of --trace and the counts of --stats, for real drives and
// emulated ones alike.

#include <cstdint>
#include <functional>
#include <memory>

#include "device/CommandTrace.h"
#include "device/ForwardingDeviceSystem.h"

namespace rf {

struct TraceCounters {
    std::uint64_t nCommands = 0;  // attempts, failed ones included
    std::uint64_t nFailed = 0;
    std::uint64_t nBytesIn = 0;
    std::uint64_t nBytesOut = 0;
};

class CTracingDeviceSystem final : public CForwardingDeviceSystem {
public:
    explicit CTracingDeviceSystem(IDeviceSystem& inner) : CForwardingDeviceSystem(inner) {}

    // Called for every command as it completes.
    void SetSink(std::function<void(const TraceEntry&)> sink) { m_sink = std::move(sink); }
    const TraceCounters& Counters() const { return m_counters; }

    // What a handle reports back.
    void Record(TraceEntry entry, bool bDelivered, const ScsiRequest& answer);

protected:
    std::unique_ptr<IDeviceHandle> Wrap(std::unique_ptr<IDeviceHandle> pInner) override;

private:
    std::function<void(const TraceEntry&)> m_sink;
    TraceCounters m_counters;
};

}  // namespace rf
