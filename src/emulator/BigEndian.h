#pragma once

// Multi-byte fields of command blocks and their answers, most significant
// byte first.

#include <cstdint>
#include <span>

#include "base/Types.h"

namespace rf::emu {

constexpr std::uint64_t BigEndian(std::span<const BYTE> bytes, std::size_t nFirst,
                                  std::size_t nCount) {
    std::uint64_t nValue = 0;
    for (std::size_t i = 0; i < nCount; ++i) {
        nValue = nValue << 8 | bytes[nFirst + i];
    }
    return nValue;
}

constexpr void PutBigEndian(std::span<BYTE> bytes, std::size_t nFirst, std::size_t nCount,
                            std::uint64_t nValue) {
    for (std::size_t i = nCount; i-- > 0; nValue >>= 8) {
        bytes[nFirst + i] = static_cast<BYTE>(nValue);
    }
}

}  // namespace rf::emu
