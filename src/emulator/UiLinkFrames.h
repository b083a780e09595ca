#pragma once

// The frames of the serial line between the bridge and the front-panel
// controller, as the controller's side sees them: commands (SOH) and data
// (STX) from the host, answers and status frames (STX) back. LEN, the bytes
// between LEN and SUM, and SUM add up to 0 modulo 256.

#include <optional>
#include <span>
#include <vector>

#include "base/Types.h"

namespace rf::emu {

inline constexpr BYTE kLinkSoh = 0x01;
inline constexpr BYTE kLinkStx = 0x02;
inline constexpr BYTE kLinkEtx = 0x03;
inline constexpr BYTE kLinkEtb = 0x17;

// Status bytes of the 78K family's flash-programming protocol.
inline constexpr BYTE kLinkAck = 0x06;
inline constexpr BYTE kLinkNak = 0x15;
inline constexpr BYTE kLinkCommandError = 0x04;
inline constexpr BYTE kLinkParameterError = 0x05;
inline constexpr BYTE kLinkChecksumError = 0x07;
inline constexpr BYTE kLinkVerifyError = 0x0F;
inline constexpr BYTE kLinkProtectError = 0x10;
inline constexpr BYTE kLinkWriteError = 0x1C;

// Where the first payload byte and the checksum sit in an answer frame.
inline constexpr std::size_t kAnswerPayloadOffset = 2;

struct HostFrame {
    bool bCommand = true;  // SOH; else a data frame
    bool bChecksumOk = true;
    bool bLast = true;  // data frames: ended in ETX, not ETB
    std::vector<BYTE> body;
};

// Null when the bytes do not have the shape of a frame at all.
std::optional<HostFrame> ParseHostFrame(std::span<const BYTE> bytes);

// STX, LEN, the payload (at most 255 bytes), SUM, ETX.
std::vector<BYTE> MakeAnswerFrame(std::span<const BYTE> payload);

// The SUM that makes LEN, the payload and SUM add up to 0.
BYTE LinkChecksum(BYTE nLength, std::span<const BYTE> payload);

}  // namespace rf::emu
