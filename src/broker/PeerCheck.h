#pragma once

// Who is at the other end of a connection, and whether that user may use
// the broker: root; the user whose session is active at one of the
// computer's own seats (as logind tells); a member of the group the
// configuration names. Everyone else is refused.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace rf {

struct PeerCredentials {
    uid_t uid = 0;
    gid_t gid = 0;
    pid_t pid = 0;
    std::vector<gid_t> groups;  // the supplementary groups the process had when it connected
};

// The credentials the kernel took for the peer when it connected. False
// when it has none to give (then the peer is refused).
bool ReadPeerCredentials(int nFd, PeerCredentials& peer);

enum class PeerVerdict { Refused, Root, Seat, Group };

// The sessions at the computer's seats.
class ISeatSessions {
public:
    virtual ~ISeatSessions() = default;
    // Whether the process, or failing a session of its own the session the
    // user has at a display, is an active session of that user at a local
    // seat.
    virtual bool ActiveAtLocalSeat(uid_t uid, pid_t pid) = 0;
};

// logind's answer, through sd-login. No logind: nobody is at a seat.
class CLogindSeatSessions final : public ISeatSessions {
public:
    bool ActiveAtLocalSeat(uid_t uid, pid_t pid) override;
};

PeerVerdict AuthorisePeer(const PeerCredentials& peer, std::optional<gid_t> group,
                          ISeatSessions& seats);

// "user 1000 (pid 4242)" for the log.
std::string DescribePeer(const PeerCredentials& peer);

}  // namespace rf
