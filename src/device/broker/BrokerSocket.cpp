#include "device/broker/BrokerSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "device/broker/BrokerWire.h"

namespace rf {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Waits for the socket to be ready until the deadline; false when it passed.
bool WaitReady(int nFd, short nEvents, SteadyClock::time_point deadline) {
    for (;;) {
        const auto nLeft =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now())
                .count();
        if (nLeft <= 0) {
            return false;
        }
        pollfd descriptor{nFd, nEvents, 0};
        const int nReady = ::poll(&descriptor, 1, static_cast<int>(nLeft));
        if (nReady > 0) {
            return true;
        }
        if (nReady < 0 && errno != EINTR) {
            return false;
        }
    }
}

// Reads exactly nCount bytes into pOut before the deadline.
bool ReadExactly(int nFd, BYTE* pOut, std::size_t nCount, SteadyClock::time_point deadline) {
    while (nCount != 0) {
        if (!WaitReady(nFd, POLLIN, deadline)) {
            return false;
        }
        const ssize_t nRead = ::recv(nFd, pOut, nCount, MSG_DONTWAIT);
        if (nRead == 0) {
            return false;  // the peer went away
        }
        if (nRead < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        pOut += nRead;
        nCount -= static_cast<std::size_t>(nRead);
    }
    return true;
}

}  // namespace

int ConnectBrokerSocket(const std::string& strPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (strPath.empty() || strPath.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, strPath.c_str(), strPath.size() + 1);
    const int nFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nFd < 0) {
        return -1;
    }
    if (::connect(nFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int nError = errno;
        ::close(nFd);
        errno = nError;
        return -1;
    }
    return nFd;
}

bool WriteWhole(int nFd, std::span<const BYTE> bytes, int nTimeoutMilliseconds) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(nTimeoutMilliseconds);
    while (!bytes.empty()) {
        if (!WaitReady(nFd, POLLOUT, deadline)) {
            return false;
        }
        // MSG_NOSIGNAL: a peer that went away is an answer, not a signal.
        const ssize_t nWritten =
            ::send(nFd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (nWritten < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(nWritten));
    }
    return true;
}

bool ReadFrame(int nFd, std::vector<BYTE>& frame, int nTimeoutMilliseconds) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(nTimeoutMilliseconds);
    frame.assign(kBrokerFrameHeader, 0);
    if (!ReadExactly(nFd, frame.data(), kBrokerFrameHeader, deadline)) {
        return false;
    }
    std::uint32_t nBody = 0;
    for (std::size_t i = 0; i < kBrokerFrameHeader; ++i) {
        nBody = nBody << 8 | frame[i];
    }
    if (nBody == 0 || nBody > kMaxBrokerFrame) {
        return false;
    }
    frame.resize(kBrokerFrameHeader + nBody);
    return ReadExactly(nFd, frame.data() + kBrokerFrameHeader, nBody, deadline);
}

}  // namespace rf
