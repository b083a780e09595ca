#pragma once

// The broker's loop: connections accepted on the listening socket, each
// peer judged once as it connects, requests read as they come (a peer that
// sends half a request holds up nobody), answered one at a time.

#include <csignal>
#include <cstddef>
#include <functional>
#include <optional>

#include "broker/BrokerSession.h"
#include "broker/PeerCheck.h"
#include "device/DevicePort.h"

namespace rf {

struct BrokerServerSettings {
    int nIdleSeconds = 60;  // end after this long without a connection; 0: never
    std::optional<gid_t> group;
    std::size_t nMaxConnections = 16;
    // Called after a connection that had a drive open has gone.
    std::function<void()> afterDrive;
};

// Serves until the idle time has passed or stop is set (by a signal).
void ServeBroker(int nListenFd, IDeviceSystem& system, ISeatSessions& seats,
                 const BrokerServerSettings& settings, const BrokerLog& log,
                 const volatile std::sig_atomic_t& bStop);

}  // namespace rf
