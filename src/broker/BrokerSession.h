#pragma once

// One connection's work: the rights of its peer, its one open drive, and
// the answer to each request. Knows nothing of sockets, so that every rule
// is tested against the emulated enclosure in-process.

#include <functional>
#include <memory>
#include <string>

#include "broker/PeerCheck.h"
#include "device/DevicePort.h"
#include "device/broker/BrokerWire.h"

namespace rf {

// A line for the broker's log.
using BrokerLog = std::function<void(const std::string& strLine)>;

class CBrokerSession {
public:
    // strPeer names the peer in the log.
    CBrokerSession(IDeviceSystem& system, PeerVerdict verdict, std::string strPeer, BrokerLog log)
        : m_system(system),
          m_verdict(verdict),
          m_strPeer(std::move(strPeer)),
          m_log(std::move(log)) {}

    BrokerAnswer Answer(const BrokerRequest& request);
    bool HasDrive() const { return m_pDrive != nullptr; }

private:
    BrokerRefusal OpenDrive(const BrokerRequest& request);
    BrokerRefusal Identify(const PhysicalDrive& drive, bool bAllProducts);
    void Scsi(const BrokerRequest& request, BrokerAnswer& answer);
    void Describe(BrokerAnswer& answer);
    void Log(const std::string& strLine) const;

    IDeviceSystem& m_system;
    PeerVerdict m_verdict;
    std::string m_strPeer;
    BrokerLog m_log;
    std::unique_ptr<IDeviceHandle> m_pDrive;
    std::string m_strDrive;
};

}  // namespace rf
