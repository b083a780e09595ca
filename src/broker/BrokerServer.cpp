#include "broker/BrokerServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <vector>

#include "base/Text.h"
#include "device/broker/BrokerSocket.h"
#include "device/broker/BrokerWire.h"
#include "text/StringTable.h"

namespace rf {

namespace {

using SteadyClock = std::chrono::steady_clock;

// An answer the peer does not take within this time ends its connection.
constexpr int kAnswerMilliseconds = 10'000;
// How often the stop flag and the idle time are looked at.
constexpr int kTickMilliseconds = 1000;
constexpr std::size_t kReadChunk = 64 * 1024;

struct Connection {
    int nFd = -1;
    std::vector<BYTE> buffer;  // what came of the request not yet answered
    std::unique_ptr<CBrokerSession> pSession;
    bool bDone = false;
    bool bHadDrive = false;
};

// Reads what the peer sent and answers every whole request in it. Done
// when the peer left, broke the format, or was refused.
void Serve(Connection& connection, const BrokerLog& log) {
    const std::size_t nLimit = kBrokerFrameHeader + kMaxBrokerFrame;
    const std::size_t nRoom = std::min(kReadChunk, nLimit - connection.buffer.size());
    if (nRoom == 0) {
        connection.bDone = true;  // cannot happen: a whole frame is answered before
        return;
    }
    const std::size_t nHad = connection.buffer.size();
    connection.buffer.resize(nHad + nRoom);
    const ssize_t nRead = ::recv(connection.nFd, connection.buffer.data() + nHad, nRoom, 0);
    connection.buffer.resize(nHad + static_cast<std::size_t>(std::max<ssize_t>(nRead, 0)));
    if (nRead == 0 || (nRead < 0 && errno != EINTR && errno != EAGAIN)) {
        connection.bDone = true;
        return;
    }
    for (;;) {
        BrokerRequest request;
        std::size_t nConsumed = 0;
        const FrameRead result = ReadBrokerRequest(connection.buffer, request, nConsumed);
        if (result == FrameRead::NeedMore) {
            return;
        }
        if (result == FrameRead::Malformed) {
            log(Utf16ToUtf8(LoadResString(IDS_BROKER_MALFORMED)));
            connection.bDone = true;
            return;
        }
        connection.buffer.erase(connection.buffer.begin(),
                                connection.buffer.begin() + static_cast<std::ptrdiff_t>(nConsumed));
        const BrokerAnswer answer = connection.pSession->Answer(request);
        connection.bHadDrive = connection.bHadDrive || connection.pSession->HasDrive();
        if (!WriteWhole(connection.nFd, WriteBrokerAnswer(answer), kAnswerMilliseconds) ||
            answer.refusal == BrokerRefusal::Peer) {
            connection.bDone = true;
            return;
        }
    }
}

void Accept(int nListenFd, std::vector<Connection>& connections, IDeviceSystem& system,
            ISeatSessions& seats, const BrokerServerSettings& settings, const BrokerLog& log) {
    const int nFd = ::accept4(nListenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (nFd < 0) {
        return;
    }
    PeerCredentials peer;
    if (!ReadPeerCredentials(nFd, peer)) {
        log(Utf16ToUtf8(LoadResString(IDS_BROKER_NO_CREDENTIALS)));
        ::close(nFd);
        return;
    }
    if (connections.size() >= settings.nMaxConnections) {
        log(DescribePeer(peer) + ": " + Utf16ToUtf8(LoadResString(IDS_BROKER_TOO_MANY)));
        ::close(nFd);
        return;
    }
    const PeerVerdict verdict = AuthorisePeer(peer, settings.group, seats);
    if (verdict == PeerVerdict::Refused) {
        log(DescribePeer(peer) + ": " + Utf16ToUtf8(LoadResString(IDS_BROKER_PEER_REFUSED)));
    }
    Connection connection;
    connection.nFd = nFd;
    connection.pSession =
        std::make_unique<CBrokerSession>(system, verdict, DescribePeer(peer), log);
    connections.push_back(std::move(connection));
}

}  // namespace

void ServeBroker(int nListenFd, IDeviceSystem& system, ISeatSessions& seats,
                 const BrokerServerSettings& settings, const BrokerLog& log,
                 const volatile std::sig_atomic_t& bStop) {
    std::vector<Connection> connections;
    auto idleSince = SteadyClock::now();
    while (bStop == 0) {
        if (!connections.empty()) {
            idleSince = SteadyClock::now();
        } else if (settings.nIdleSeconds > 0 &&
                   SteadyClock::now() - idleSince >= std::chrono::seconds(settings.nIdleSeconds)) {
            return;
        }
        std::vector<pollfd> descriptors{{nListenFd, POLLIN, 0}};
        for (const Connection& connection : connections) {
            descriptors.push_back({connection.nFd, POLLIN, 0});
        }
        if (::poll(descriptors.data(), descriptors.size(), kTickMilliseconds) <= 0) {
            continue;  // the time, or a signal
        }
        for (std::size_t i = 0; i < connections.size(); ++i) {
            if ((descriptors[i + 1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                Serve(connections[i], log);
            }
        }
        for (Connection& connection : connections) {
            if (connection.bDone) {
                // The drive goes with its connection.
                connection.pSession.reset();
                ::close(connection.nFd);
                if (connection.bHadDrive && settings.afterDrive) {
                    settings.afterDrive();
                }
            }
        }
        std::erase_if(connections, [](const Connection& connection) { return connection.bDone; });
        if ((descriptors[0].revents & POLLIN) != 0) {
            Accept(nListenFd, connections, system, seats, settings, log);
        }
    }
    for (Connection& connection : connections) {
        connection.pSession.reset();
        ::close(connection.nFd);
    }
    if (settings.afterDrive) {
        settings.afterDrive();
    }
}

}  // namespace rf
