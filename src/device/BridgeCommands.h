#pragma once

// The command blocks the program sends: the standard INQUIRY, and the
// bridge's vendor blocks. Every vendor block is 10 bytes; note the three
// byte orders: the FLASH window takes a 32-bit big-endian address, the host
// EEPROM a 16-bit big-endian address, the CPU EEPROM a 16-bit little-endian
// one. Lengths are 16-bit big-endian in bytes 7 and 8.
//
// These builders and limits are the one description of what the program
// sends: the broker's command filter is made from them.

#include <array>

#include "base/Types.h"

namespace rf {

using CommandBlock = std::array<BYTE, 10>;

inline constexpr BYTE kOpUi = 0xFA;
inline constexpr BYTE kOpHostEeprom = 0xFC;
inline constexpr BYTE kOpFlashWindow = 0xFD;
inline constexpr BYTE kOpFlashImage = 0xFE;
inline constexpr BYTE kOpBridge = 0xFF;

inline constexpr BYTE kSubRead = 0x01;
inline constexpr BYTE kSubWrite = 0x02;
inline constexpr BYTE kSubUiState = 0x00;
inline constexpr BYTE kSubUiLinkWrite = 0x10;
inline constexpr BYTE kSubUiLinkReadData = 0x11;
inline constexpr BYTE kSubUiLinkReadReply = 0x12;

// The bridge maps its parallel FLASH from this address on, in the FLASH
// window commands' address space; the running firmware's own copy sits there.
inline constexpr DWORD kFlashWindowBase = 0x20000;

// The CPU EEPROM read always answers this many bytes.
inline constexpr UINT kCpuEepromAnswerLength = 512;

// Bytes per command of the chunked transfers: FLASH window reads and
// writes and EEPROM reads move 64, the host EEPROM takes 8 per write.
inline constexpr UINT kWindowChunk = 64;
inline constexpr UINT kHostWriteChunk = 8;
// A UI link frame: at most 256 data bytes and four framing bytes.
inline constexpr UINT kUiLinkFrameMax = 260;
// A FLASH image goes to the bridge padded to whole 512-byte blocks, and is
// never longer than the image buffer of 128 KiB.
inline constexpr UINT kFlashImageAlignment = 512;
inline constexpr UINT kFlashImageMax = 0x20000;

// The standard INQUIRY of identification: 254 bytes of answer.
inline constexpr BYTE kInquiryLength = 254;
inline constexpr std::array<BYTE, 6> kInquiryBlock = {0x12, 0x00, 0x00, 0x00, kInquiryLength, 0x00};

constexpr CommandBlock FlashWindowBlock(BYTE nSub, DWORD dwAddress, WORD wLength) {
    return {kOpFlashWindow,
            nSub,
            static_cast<BYTE>(dwAddress >> 24),
            static_cast<BYTE>(dwAddress >> 16),
            static_cast<BYTE>(dwAddress >> 8),
            static_cast<BYTE>(dwAddress),
            0,
            static_cast<BYTE>(wLength >> 8),
            static_cast<BYTE>(wLength),
            0};
}

constexpr CommandBlock HostEepromBlock(BYTE nSub, WORD wAddress, WORD wLength) {
    return {kOpHostEeprom,
            nSub,
            0,
            0,
            static_cast<BYTE>(wAddress >> 8),
            static_cast<BYTE>(wAddress),
            0,
            static_cast<BYTE>(wLength >> 8),
            static_cast<BYTE>(wLength),
            0};
}

constexpr CommandBlock CpuEepromReadBlock(WORD wAddress) {
    return {kOpBridge, 0x01, 0xFE, 0, static_cast<BYTE>(wAddress), static_cast<BYTE>(wAddress >> 8),
            0,         0,    0,    0};
}

constexpr CommandBlock CpuEepromWriteBlock(WORD wAddress, BYTE nData) {
    return {
        kOpBridge, 0x00, 0xFD, nData, static_cast<BYTE>(wAddress), static_cast<BYTE>(wAddress >> 8),
        0,         0,    0,    0};
}

inline constexpr CommandBlock kBridgeRestartBlock = {kOpBridge, 0x00, 0xFF, 0, 0x44,
                                                     0x4B,      0,    0,    0, 0x01};

inline constexpr CommandBlock kUiStateBlock = {kOpUi, kSubUiState, 0, 0, 0, 0, 0, 0, 0x04, 0};

// The UI controller's modes the program selects: its firmware's normal mode
// (a switch into it restarts the firmware), the resource mode that passes
// the SPI flash through, and the boot loader's mode.
enum class UiMode { Normal, Resource, Boot };

// The mode's number in the bridge's switch command.
constexpr BYTE UiModeNumber(UiMode mode) {
    switch (mode) {
        case UiMode::Normal:
            return 1;
        case UiMode::Resource:
            return 3;
        case UiMode::Boot:
            return 4;
    }
    return 1;  // not reached: every mode is named above
}

constexpr CommandBlock UiModeBlock(BYTE nMode) {
    return {kOpUi, nMode, 0, 0, 0, 0, 0, 0, 0, 0};
}

constexpr CommandBlock UiLinkBlock(BYTE nSub, WORD wLength) {
    return {kOpUi, nSub, 0, 0, 0, 0, 0, static_cast<BYTE>(wLength >> 8), static_cast<BYTE>(wLength),
            0};
}

inline constexpr CommandBlock kFlashImageBlock = {kOpFlashImage, 0, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace rf
