#pragma once

// Every command the emulated enclosure was offered, in order: what a
// developer needs to see what an update did, and what tests check.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Types.h"

namespace rf::emu {

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

// One line: index, block (hex), direction, length, data sent (hex, or "-"),
// status (two hex digits), separated by single spaces.
std::string FormatTraceLine(const TraceEntry& entry);

}  // namespace rf::emu
