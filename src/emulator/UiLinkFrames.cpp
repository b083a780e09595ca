#include "emulator/UiLinkFrames.h"

namespace rf::emu {

namespace {

constexpr std::size_t kFramingBytes = 4;   // start, LEN, SUM, end
constexpr std::size_t kLargestData = 256;  // travels as LEN 0

}  // namespace

BYTE LinkChecksum(BYTE nLength, std::span<const BYTE> payload) {
    unsigned nSum = nLength;
    for (const BYTE b : payload) {
        nSum += b;
    }
    return static_cast<BYTE>(0x100 - (nSum & 0xFF));
}

std::optional<HostFrame> ParseHostFrame(std::span<const BYTE> bytes) {
    if (bytes.size() < kFramingBytes) {
        return std::nullopt;
    }
    HostFrame frame;
    frame.bCommand = bytes[0] == kLinkSoh;
    if (!frame.bCommand && bytes[0] != kLinkStx) {
        return std::nullopt;
    }
    const BYTE nLength = bytes[1];
    std::size_t nCount = nLength;
    if (nLength == 0) {
        if (frame.bCommand) {
            return std::nullopt;
        }
        nCount = kLargestData;
    }
    if (bytes.size() != nCount + kFramingBytes) {
        return std::nullopt;
    }
    const BYTE nEnd = bytes.back();
    if (nEnd != kLinkEtx && (frame.bCommand || nEnd != kLinkEtb)) {
        return std::nullopt;
    }
    frame.bLast = nEnd == kLinkEtx;
    frame.body.assign(bytes.begin() + 2, bytes.begin() + 2 + static_cast<std::ptrdiff_t>(nCount));
    frame.bChecksumOk = LinkChecksum(nLength, frame.body) == bytes[2 + nCount];
    return frame;
}

std::vector<BYTE> MakeAnswerFrame(std::span<const BYTE> payload) {
    const BYTE nLength = static_cast<BYTE>(payload.size());
    std::vector<BYTE> frame;
    frame.reserve(payload.size() + kFramingBytes);
    frame.push_back(kLinkStx);
    frame.push_back(nLength);
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(LinkChecksum(nLength, payload));
    frame.push_back(kLinkEtx);
    return frame;
}

}  // namespace rf::emu
