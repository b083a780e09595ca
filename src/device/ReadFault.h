#pragma once

// What went wrong with a chunked read, for the callers that must not take a
// refused or short chunk for data: which chunk, and how. The device's plain
// reads count a chunk that reached the device as read, whatever its status;
// the checked reads stop at the first chunk that did not come whole.

#include <cstddef>

#include "base/Types.h"

namespace rf {

// Where fixed-format sense data keeps the key (low four bits), the
// additional sense code and its qualifier.
inline constexpr std::size_t kSenseKeyOffset = 2;
inline constexpr std::size_t kSenseAscOffset = 12;
inline constexpr std::size_t kSenseAscqOffset = 13;

enum class ReadFaultKind {
    None,
    NotDelivered,  // the command did not reach the device
    Refused,       // the device answered with a status other than GOOD
    Short,         // fewer bytes came than the chunk asked for
    NoAnswer,      // a read over the UI link brought no sound frame
};

struct ReadFault {
    ReadFaultKind kind = ReadFaultKind::None;
    UINT nOffset = 0;     // where the chunk starts, counted from the start of the read
    UINT nAsked = 0;      // bytes the chunk asked for
    UINT nReceived = 0;   // bytes that came
    BYTE nStatus = 0xFF;  // the status, masked as the transport masks it
    BYTE nSenseKey = 0;   // of a refused chunk, from fixed-format sense data
    BYTE nAsc = 0;
    BYTE nAscq = 0;
};

}  // namespace rf
