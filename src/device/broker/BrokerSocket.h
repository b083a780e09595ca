#pragma once

// The broker's socket as both ends use it: a Unix stream socket carrying
// frames, every wait on it bounded in time.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "base/Types.h"

namespace rf {

// A connected socket, or -1 (with errno) when nobody listens at the path.
int ConnectBrokerSocket(const std::string& strPath);

// Writes every byte before nTimeoutMilliseconds have passed. False when the
// peer went away or did not take them in time.
bool WriteWhole(int nFd, std::span<const BYTE> bytes, int nTimeoutMilliseconds);

// Reads one whole frame (header and body) before nTimeoutMilliseconds have
// passed. False when the peer went away, the time ran out, or the length
// breaks the frame's bound.
bool ReadFrame(int nFd, std::vector<BYTE>& frame, int nTimeoutMilliseconds);

}  // namespace rf
