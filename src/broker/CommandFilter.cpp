#include "broker/CommandFilter.h"

#include <algorithm>
#include <vector>

#include "device/BridgeCommands.h"

namespace rf {

namespace {

template <std::size_t N>
BuiltBlock Built(const std::array<BYTE, N>& block) {
    BuiltBlock built;
    std::copy(block.begin(), block.end(), built.bytes.begin());
    built.nLength = static_cast<BYTE>(N);
    return built;
}

constexpr DWORD kAnyAddress = 0xFFFFFFFF;
constexpr DWORD kAnyEepromAddress = 0xFFFF;
constexpr DWORD kFirstUiMode = 1;
constexpr DWORD kLastUiMode = 4;

// The CPU EEPROM byte write is left out: no part of the program writes that
// memory.
constexpr CommandShape kShapes[] = {
    {"INQUIRY", [](DWORD, WORD) { return Built(kInquiryBlock); }, 0, 0, TraceDirection::In,
     TransferRule::Fixed, kInquiryLength, kInquiryLength},
    {"FLASH window read",
     [](DWORD dwAddress, WORD wLength) {
         return Built(FlashWindowBlock(kSubRead, dwAddress, wLength));
     },
     0, kAnyAddress, TraceDirection::In, TransferRule::LengthField, 1, kWindowChunk},
    {"FLASH window write",
     [](DWORD dwAddress, WORD wLength) {
         return Built(FlashWindowBlock(kSubWrite, dwAddress, wLength));
     },
     0, kAnyAddress, TraceDirection::Out, TransferRule::LengthField, 1, kWindowChunk},
    {"host EEPROM read",
     [](DWORD dwAddress, WORD wLength) {
         return Built(HostEepromBlock(kSubRead, static_cast<WORD>(dwAddress), wLength));
     },
     0, kAnyEepromAddress, TraceDirection::In, TransferRule::LengthField, 1, kWindowChunk},
    {"host EEPROM write",
     [](DWORD dwAddress, WORD wLength) {
         return Built(HostEepromBlock(kSubWrite, static_cast<WORD>(dwAddress), wLength));
     },
     0, kAnyEepromAddress, TraceDirection::Out, TransferRule::LengthField, 1, kHostWriteChunk},
    {"CPU EEPROM read",
     [](DWORD dwAddress, WORD) { return Built(CpuEepromReadBlock(static_cast<WORD>(dwAddress))); },
     0, kAnyEepromAddress, TraceDirection::In, TransferRule::Fixed, kCpuEepromAnswerLength,
     kCpuEepromAnswerLength},
    {"bridge restart", [](DWORD, WORD) { return Built(kBridgeRestartBlock); }, 0, 0,
     TraceDirection::None, TransferRule::Fixed, 0, 0},
    {"UI state", [](DWORD, WORD) { return Built(kUiStateBlock); }, 0, 0, TraceDirection::In,
     TransferRule::Fixed, 4, 4},
    {"UI mode", [](DWORD dwMode, WORD) { return Built(UiModeBlock(static_cast<BYTE>(dwMode))); },
     kFirstUiMode, kLastUiMode, TraceDirection::None, TransferRule::Fixed, 0, 0},
    {"UI link write",
     [](DWORD, WORD wLength) { return Built(UiLinkBlock(kSubUiLinkWrite, wLength)); }, 0, 0,
     TraceDirection::Out, TransferRule::LengthField, 1, kUiLinkFrameMax},
    {"UI link read data",
     [](DWORD, WORD wLength) { return Built(UiLinkBlock(kSubUiLinkReadData, wLength)); }, 0, 0,
     TraceDirection::In, TransferRule::LengthFieldOrTwo, 1, kUiLinkFrameMax},
    {"UI link read reply",
     [](DWORD, WORD wLength) { return Built(UiLinkBlock(kSubUiLinkReadReply, wLength)); }, 0, 0,
     TraceDirection::In, TransferRule::LengthFieldOrTwo, 1, kUiLinkFrameMax},
    {"FLASH image", [](DWORD, WORD) { return Built(kFlashImageBlock); }, 0, 0, TraceDirection::Out,
     TransferRule::Padded, kFlashImageAlignment, kFlashImageMax},
};

constexpr int kNowhere = -1;

// Where a builder puts each byte of its parameter and of its length field,
// found by asking it: the position whose byte changes when only that byte
// of the argument does.
struct FieldPositions {
    std::array<int, 4> parameter{kNowhere, kNowhere, kNowhere,
                                 kNowhere};  // least significant first
    std::array<int, 2> length{kNowhere, kNowhere};
};

int PositionOf(const BuiltBlock& base, const BuiltBlock& probe) {
    for (std::size_t i = 0; i < base.nLength; ++i) {
        if (base.bytes[i] != probe.bytes[i]) {
            return static_cast<int>(i);
        }
    }
    return kNowhere;
}

FieldPositions Derive(const CommandShape& shape) {
    FieldPositions positions;
    const BuiltBlock base = shape.pBuild(0, 0);
    for (std::size_t k = 0; k < positions.parameter.size(); ++k) {
        positions.parameter[k] = PositionOf(base, shape.pBuild(DWORD{0xFF} << (8 * k), 0));
    }
    for (std::size_t k = 0; k < positions.length.size(); ++k) {
        positions.length[k] = PositionOf(base, shape.pBuild(0, static_cast<WORD>(0xFF << (8 * k))));
    }
    return positions;
}

const std::vector<FieldPositions>& DerivedPositions() {
    static const std::vector<FieldPositions> positions = [] {
        std::vector<FieldPositions> all;
        for (const CommandShape& shape : kShapes) {
            all.push_back(Derive(shape));
        }
        return all;
    }();
    return positions;
}

template <std::size_t N>
DWORD Gather(std::span<const BYTE> cdb, const std::array<int, N>& positions) {
    DWORD dwValue = 0;
    for (std::size_t k = 0; k < N; ++k) {
        if (positions[k] != kNowhere) {
            dwValue |= DWORD{cdb[static_cast<std::size_t>(positions[k])]} << (8 * k);
        }
    }
    return dwValue;
}

bool TransferFits(const CommandShape& shape, bool bHasLengthField, WORD wField, UINT nLength) {
    switch (shape.rule) {
        case TransferRule::Fixed:
            return nLength == shape.nMinLength;
        case TransferRule::LengthField:
            return bHasLengthField && wField >= shape.nMinLength && wField <= shape.nMaxLength &&
                   nLength == wField;
        case TransferRule::LengthFieldOrTwo:
            return bHasLengthField && wField >= shape.nMinLength && wField <= shape.nMaxLength &&
                   nLength == (wField == 1 ? 2u : wField);
        case TransferRule::Padded:
            return nLength >= shape.nMinLength && nLength <= shape.nMaxLength &&
                   nLength % shape.nMinLength == 0;
    }
    return false;
}

bool Matches(const CommandShape& shape, const FieldPositions& positions, std::span<const BYTE> cdb,
             TraceDirection direction, UINT nLength) {
    const BuiltBlock base = shape.pBuild(0, 0);
    if (cdb.size() != base.nLength || direction != shape.direction) {
        return false;
    }
    const DWORD dwParameter = Gather(cdb, positions.parameter);
    const auto wField = static_cast<WORD>(Gather(cdb, positions.length));
    if (dwParameter < shape.dwMinParameter || dwParameter > shape.dwMaxParameter) {
        return false;
    }
    // Built again from what was read out of it, the block must come out the
    // same to the last byte: every other byte is the builder's constant.
    const BuiltBlock rebuilt = shape.pBuild(dwParameter, wField);
    if (!std::equal(cdb.begin(), cdb.end(), rebuilt.bytes.begin())) {
        return false;
    }
    const bool bHasLengthField = positions.length[0] != kNowhere;
    return TransferFits(shape, bHasLengthField, wField, nLength);
}

}  // namespace

std::span<const CommandShape> CommandShapes() {
    return kShapes;
}

const CommandShape* MatchCommand(std::span<const BYTE> cdb, TraceDirection direction,
                                 UINT nLength) {
    const std::vector<FieldPositions>& positions = DerivedPositions();
    for (std::size_t i = 0; i < std::size(kShapes); ++i) {
        if (Matches(kShapes[i], positions[i], cdb, direction, nLength)) {
            return &kShapes[i];
        }
    }
    return nullptr;
}

}  // namespace rf
