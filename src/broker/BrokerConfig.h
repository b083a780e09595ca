#pragma once

// The broker's configuration: a small file of "name = value" lines, read
// once at start. Today it names one thing, the group whose members may use
// the broker besides root and the user at the seat.
//
//     # /etc/reflasher/broker.conf
//     group = reflasher

#include <string>

namespace rf {

inline constexpr char kDefaultBrokerConfig[] = "/etc/reflasher/broker.conf";

struct BrokerConfig {
    std::string strGroup;  // empty: no group
};

// A missing file is an empty configuration. False, with the reason, when
// the file cannot be read, is writable by others than its owner, belongs to
// someone but root or this process's user, or holds a line it does not
// understand: a broker that runs as root takes its rules from nobody else,
// and a mistyped rule must not pass unnoticed.
bool ReadBrokerConfig(const std::string& strPath, BrokerConfig& config, std::string& strError);

}  // namespace rf
