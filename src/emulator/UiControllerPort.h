#pragma once

// What the bridge of the emulated enclosure reaches through its UI commands:
// the front-panel controller's link state, its mode switches and the byte
// link. Until a controller is fitted, the bridge sees none.

#include <cstdint>
#include <span>

#include "base/Types.h"

namespace rf::emu {

// Trouble on the serial line between the bridge and the controller, injected
// into one link command by the fault plan.
enum class LinkFault {
    None,
    NoAnswer,         // a frame written never arrives; an answer read is lost on the way
    BadChecksum,      // the frame written or read carries a wrong checksum
    NotAcknowledged,  // the answer read carries NAK where its status (or first byte) was
};

class IEmulatedUiController {
public:
    virtual ~IEmulatedUiController() = default;
    // First byte of the bridge's UI state answer.
    virtual BYTE StateByte(std::uint64_t nNow) = 0;
    virtual void SetMode(BYTE nMode, std::uint64_t nNow) = 0;
    // Both return how long the serial line kept the bridge busy, in
    // microseconds, which the bridge charges to the command.
    virtual std::uint64_t LinkWrite(std::span<const BYTE> bytes, LinkFault fault,
                                    std::uint64_t nNow) = 0;
    // Fills the buffer with what the controller has to say (0xFF: nothing).
    virtual std::uint64_t LinkRead(bool bReply, std::span<BYTE> buffer, LinkFault fault,
                                   std::uint64_t nNow) = 0;
    // The bridge restarted or the power came back.
    virtual void Reset(std::uint64_t nNow) = 0;
    // The power went at nNow.
    virtual void PowerLoss(std::uint64_t /*nNow*/) {}
};

// No controller on the link: no state bit set, nothing ever answered.
class CAbsentUiController final : public IEmulatedUiController {
public:
    BYTE StateByte(std::uint64_t) override { return 0x00; }
    void SetMode(BYTE, std::uint64_t) override {}
    std::uint64_t LinkWrite(std::span<const BYTE>, LinkFault, std::uint64_t) override { return 0; }
    std::uint64_t LinkRead(bool, std::span<BYTE> buffer, LinkFault, std::uint64_t) override {
        for (BYTE& b : buffer) {
            b = 0xFF;
        }
        return 0;
    }
    void Reset(std::uint64_t) override {}
};

}  // namespace rf::emu
