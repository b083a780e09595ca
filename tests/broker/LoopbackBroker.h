#pragma once

// The broker without its socket: every request and every answer is written
// to the wire and read back, and answered by a session of its own per
// connection, as reflasher-broker answers them.

#include <memory>
#include <string>
#include <vector>

#include "broker/BrokerSession.h"
#include "device/TracingDeviceSystem.h"
#include "device/broker/BrokerDeviceSystem.h"
#include "support/GoldenTraces.h"

namespace rf::test {

class CLoopbackChannel final : public IBrokerChannel {
public:
    CLoopbackChannel(IDeviceSystem& drives, PeerVerdict verdict, std::vector<std::string>& log)
        : m_session(drives, verdict, "peer",
                    [&log](const std::string& strLine) { log.push_back(strLine); }) {}

    bool Exchange(const BrokerRequest& request, BrokerAnswer& answer) override {
        const std::vector<BYTE> asked = WriteBrokerRequest(request);
        BrokerRequest read;
        std::size_t nConsumed = 0;
        if (ReadBrokerRequest(asked, read, nConsumed) != FrameRead::Done ||
            nConsumed != asked.size()) {
            return false;
        }
        const std::vector<BYTE> answered = WriteBrokerAnswer(m_session.Answer(read));
        return ReadBrokerAnswer(answered, answer, nConsumed) == FrameRead::Done &&
               nConsumed == answered.size() && answer.kind == request.kind;
    }

private:
    CBrokerSession m_session;
};

// The drives of another system as a program without root reaches them
// through the broker.
class CLoopbackBroker final : public IDeviceSystem {
public:
    explicit CLoopbackBroker(IDeviceSystem& drives, PeerVerdict verdict = PeerVerdict::Seat)
        : client("loopback", [this, &drives, verdict] {
              return std::make_unique<CLoopbackChannel>(drives, verdict, log);
          }) {}

    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override {
        return client.Open(path);
    }
    std::vector<PhysicalDrive> ListPhysicalDrives() override { return client.ListPhysicalDrives(); }
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override {
        return client.PrepareVolumes(disk, report);
    }

    std::vector<std::string> log;  // the broker's
    CBrokerDeviceSystem client;
};

// The same with the digest of the program's trace taken in front of it.
class CTracedLoopbackBroker final : public IDeviceSystem {
public:
    explicit CTracedLoopbackBroker(IDeviceSystem& drives) : broker(drives) {
        tracing.SetSink([this](const TraceEntry& entry) { digest.Add(FormatTraceLine(entry)); });
    }

    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override {
        return tracing.Open(path);
    }
    std::vector<PhysicalDrive> ListPhysicalDrives() override {
        return tracing.ListPhysicalDrives();
    }
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override {
        return tracing.PrepareVolumes(disk, report);
    }

    CLoopbackBroker broker;
    CTracingDeviceSystem tracing{broker};
    TraceDigest digest;
};

}  // namespace rf::test
