#pragma once

// What the bridge of the emulated enclosure reaches through its UI commands:
// the front-panel controller's link state, its mode switches and the byte
// link. Until a controller is fitted, the bridge sees none.

#include <cstdint>
#include <span>

#include "app/Types.h"

namespace rf::emu {

class IEmulatedUiController {
public:
    virtual ~IEmulatedUiController() = default;
    // First byte of the bridge's UI state answer.
    virtual BYTE StateByte(std::uint64_t nNow) = 0;
    virtual void SetMode(BYTE nMode, std::uint64_t nNow) = 0;
    virtual void LinkWrite(std::span<const BYTE> bytes, std::uint64_t nNow) = 0;
    // Fills the buffer with what the controller has to say (0xFF: nothing).
    virtual void LinkRead(bool bReply, std::span<BYTE> buffer, std::uint64_t nNow) = 0;
    // The bridge restarted or the power came back.
    virtual void Reset(std::uint64_t nNow) = 0;
};

// No controller on the link: no state bit set, nothing ever answered.
class CAbsentUiController final : public IEmulatedUiController {
public:
    BYTE StateByte(std::uint64_t) override { return 0x00; }
    void SetMode(BYTE, std::uint64_t) override {}
    void LinkWrite(std::span<const BYTE>, std::uint64_t) override {}
    void LinkRead(bool, std::span<BYTE> buffer, std::uint64_t) override {
        for (BYTE& b : buffer) {
            b = 0xFF;
        }
    }
    void Reset(std::uint64_t) override {}
};

}  // namespace rf::emu
