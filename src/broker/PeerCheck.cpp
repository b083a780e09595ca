#include "broker/PeerCheck.h"

#include <sys/socket.h>
#include <systemd/sd-login.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace rf {

namespace {

// More supplementary groups than any account has; the kernel's own limit
// is 65536.
constexpr std::size_t kMaxPeerGroups = 65536;

struct FreeText {
    void operator()(char* pText) const { std::free(pText); }
};
using CText = std::unique_ptr<char, FreeText>;

bool ReadPeerGroups(int nFd, std::vector<gid_t>& groups) {
    groups.resize(64);
    for (;;) {
        socklen_t nBytes = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
        if (::getsockopt(nFd, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &nBytes) == 0) {
            groups.resize(nBytes / sizeof(gid_t));
            return true;
        }
        if (errno != ERANGE || nBytes / sizeof(gid_t) <= groups.size() ||
            nBytes / sizeof(gid_t) > kMaxPeerGroups) {
            groups.clear();
            return false;
        }
        groups.resize(nBytes / sizeof(gid_t));
    }
}

}  // namespace

bool ReadPeerCredentials(int nFd, PeerCredentials& peer) {
    ucred credentials{};
    socklen_t nLength = sizeof credentials;
    if (::getsockopt(nFd, SOL_SOCKET, SO_PEERCRED, &credentials, &nLength) != 0 ||
        nLength != sizeof credentials) {
        return false;
    }
    peer.uid = credentials.uid;
    peer.gid = credentials.gid;
    peer.pid = credentials.pid;
    // Without the supplementary groups only the primary one counts.
    ReadPeerGroups(nFd, peer.groups);
    return true;
}

bool CLogindSeatSessions::ActiveAtLocalSeat(uid_t uid, pid_t pid) {
    char* pszSession = nullptr;
    // A program started from the desktop runs in the user's own service
    // manager, outside every session; the session the user shows at a
    // display stands for it then, as polkit takes it.
    if (sd_pid_get_session(pid, &pszSession) < 0 && sd_uid_get_display(uid, &pszSession) < 0) {
        return false;
    }
    const CText session(pszSession);
    char* pszSeat = nullptr;
    uid_t owner = 0;
    const bool bAtSeat = sd_session_get_seat(session.get(), &pszSeat) >= 0;
    const CText seat(pszSeat);
    return bAtSeat && seat != nullptr && sd_session_get_uid(session.get(), &owner) >= 0 &&
           owner == uid && sd_session_is_active(session.get()) > 0 &&
           sd_session_is_remote(session.get()) == 0;
}

PeerVerdict AuthorisePeer(const PeerCredentials& peer, std::optional<gid_t> group,
                          ISeatSessions& seats) {
    if (peer.uid == 0) {
        return PeerVerdict::Root;
    }
    if (group &&
        (peer.gid == *group || std::ranges::find(peer.groups, *group) != peer.groups.end())) {
        return PeerVerdict::Group;
    }
    if (seats.ActiveAtLocalSeat(peer.uid, peer.pid)) {
        return PeerVerdict::Seat;
    }
    return PeerVerdict::Refused;
}

std::string DescribePeer(const PeerCredentials& peer) {
    return "uid " + std::to_string(peer.uid) + " (pid " + std::to_string(peer.pid) + ")";
}

}  // namespace rf
