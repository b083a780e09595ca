#pragma once

// The commands the broker forwards: exactly the blocks the updater sends,
// each with its direction and the lengths it moves. The rows are made from
// the device layer's own builders and limits, so a block the program
// starts to send differently fails here at once instead of passing by a
// second description that was not kept in step.

#include <array>
#include <span>

#include "base/Types.h"
#include "device/CommandTrace.h"

namespace rf {

// A block as a builder makes it.
struct BuiltBlock {
    std::array<BYTE, 16> bytes{};
    BYTE nLength = 0;
};

// How the length of a command's data follows from its block.
enum class TransferRule {
    Fixed,             // always nMinLength bytes (0: none)
    LengthField,       // the block's length field, nMinLength to nMaxLength
    LengthFieldOrTwo,  // the same, but one byte travels in a two-byte transfer
    Padded,            // whole multiples of nMinLength, up to nMaxLength
};

struct CommandShape {
    const char* pszName;
    // The device layer's builder, given the block's one parameter (an
    // address, a mode) and what its length field says.
    BuiltBlock (*pBuild)(DWORD dwParameter, WORD wLength);
    DWORD dwMinParameter;
    DWORD dwMaxParameter;
    TraceDirection direction;
    TransferRule rule;
    UINT nMinLength;
    UINT nMaxLength;
};

std::span<const CommandShape> CommandShapes();

// The row the command matches, or null when the updater never sends it.
const CommandShape* MatchCommand(std::span<const BYTE> cdb, TraceDirection direction, UINT nLength);

}  // namespace rf
