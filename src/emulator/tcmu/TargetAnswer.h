#pragma once

// What a SCSI target answers one command: status, sense bytes, and how much
// of the data buffer carried data.

#include <algorithm>
#include <array>

#include "base/Types.h"
#include "emulator/FixedSense.h"

namespace rf::emu {

inline constexpr BYTE kScsiGood = 0x00;
inline constexpr BYTE kScsiCheckCondition = 0x02;

struct TargetAnswer {
    BYTE nStatus = kScsiGood;
    std::array<BYTE, kFixedSenseLength> sense{};
    BYTE nSenseLength = 0;
    UINT nTransferred = 0;  // bytes of the data buffer moved, in either direction
    bool bDataIn = false;   // the data buffer carries the answer back to the initiator
};

inline TargetAnswer CheckCondition(const SenseCode& code) {
    return TargetAnswer{.nStatus = kScsiCheckCondition,
                        .sense = FixedSense(code),
                        .nSenseLength = static_cast<BYTE>(kFixedSenseLength)};
}

inline TargetAnswer DataInAnswer(UINT nTransferred) {
    return TargetAnswer{.nTransferred = nTransferred, .bDataIn = true};
}

}  // namespace rf::emu
