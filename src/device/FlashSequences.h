#pragma once

// JEDEC command sequences for 3-volt parallel FLASH, sent one byte per
// FLASH window write at offsets relative to the FLASH base.

#include <span>

#include "base/Types.h"

namespace rf {

class CDevice;

struct FlashCycle {
    DWORD dwOffset;
    BYTE nValue;
};

inline constexpr DWORD kUnlockAddress1 = 0x5555;
inline constexpr DWORD kUnlockAddress2 = 0x2AAA;

inline constexpr FlashCycle kEnterIdMode[] = {
    {kUnlockAddress1, 0xAA}, {kUnlockAddress2, 0x55}, {kUnlockAddress1, 0x90}};
inline constexpr FlashCycle kLeaveIdMode[] = {
    {kUnlockAddress1, 0xAA}, {kUnlockAddress2, 0x55}, {kUnlockAddress1, 0xF0}};
inline constexpr FlashCycle kProgramPrefix[] = {
    {kUnlockAddress1, 0xAA}, {kUnlockAddress2, 0x55}, {kUnlockAddress1, 0xA0}};
inline constexpr FlashCycle kChipErase[] = {{kUnlockAddress1, 0xAA}, {kUnlockAddress2, 0x55},
                                            {kUnlockAddress1, 0x80}, {kUnlockAddress1, 0xAA},
                                            {kUnlockAddress2, 0x55}, {kUnlockAddress1, 0x10}};
// Followed by 0x30 at the sector's offset.
inline constexpr FlashCycle kSectorErasePrefix[] = {{kUnlockAddress1, 0xAA},
                                                    {kUnlockAddress2, 0x55},
                                                    {kUnlockAddress1, 0x80},
                                                    {kUnlockAddress1, 0xAA},
                                                    {kUnlockAddress2, 0x55}};
inline constexpr BYTE kSectorEraseCommand = 0x30;

// Writes each cycle with a one-byte FLASH window write; false at the first
// that fails.
bool SendFlashCycles(CDevice& device, std::span<const FlashCycle> cycles);

}  // namespace rf
