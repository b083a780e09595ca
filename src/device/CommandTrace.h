#pragma once

// Every command offered to a device, in order: what a developer needs to
// see what an update did, and what tests check.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Text.h"
#include "base/Types.h"
#include "device/DevicePort.h"

namespace rf {

enum class TraceDirection { In, Out, None };

struct TraceEntry {
    std::uint64_t nIndex = 0;
    std::array<BYTE, 16> cdb{};
    BYTE nCdbLength = 0;
    TraceDirection direction = TraceDirection::None;
    UINT nLength = 0;
    std::vector<BYTE> dataOut;
    BYTE nStatus = 0xFF;  // 0xFF: nothing came back
};

// The entry for a request as it is sent; index and status are the caller's.
inline TraceEntry MakeTraceEntry(const ScsiRequest& request) {
    TraceEntry entry;
    entry.cdb = request.Cdb;
    entry.nCdbLength = request.CdbLength;
    const bool bHasData = request.DataTransferLength != 0 && request.DataBuffer != nullptr;
    entry.direction = !bHasData             ? TraceDirection::None
                      : request.DataIn != 0 ? TraceDirection::In
                                            : TraceDirection::Out;
    entry.nLength = request.DataTransferLength;
    if (entry.direction == TraceDirection::Out) {
        entry.dataOut.assign(request.DataBuffer, request.DataBuffer + request.DataTransferLength);
    }
    return entry;
}

// One line: index, block (hex), direction, length, data sent (hex, or "-"),
// status (two hex digits), separated by single spaces.
inline std::string FormatTraceLine(const TraceEntry& entry) {
    std::string line = std::to_string(entry.nIndex);
    line += ' ';
    AppendHexBytes(line, std::span<const BYTE>(entry.cdb.data(), entry.nCdbLength));
    line += entry.direction == TraceDirection::In    ? " in "
            : entry.direction == TraceDirection::Out ? " out "
                                                     : " none ";
    line += std::to_string(entry.nLength);
    line += ' ';
    if (entry.dataOut.empty()) {
        line += '-';
    } else {
        AppendHexBytes(line, std::span<const BYTE>(entry.dataOut.data(), entry.dataOut.size()));
    }
    line += ' ';
    AppendHexBytes(line, std::span<const BYTE>(&entry.nStatus, 1));
    return line;
}

}  // namespace rf
