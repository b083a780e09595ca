#pragma once

// Stands between the program and another device system and makes chosen
// commands fail, picked by what they are rather than by their number: "the
// first write to the host EEPROM", "mode 3". Tests of the update use it to
// provoke each failure of the workflow.

#include <functional>
#include <memory>

#include "device/ForwardingDeviceSystem.h"

namespace rf::test {

enum class FaultAction { Pass, Fail, CheckCondition };

class CFaultyDeviceSystem final : public CForwardingDeviceSystem {
public:
    explicit CFaultyDeviceSystem(IDeviceSystem& inner) : CForwardingDeviceSystem(inner) {}

    // Asked for every attempt before it goes on; it may change the request
    // (a copy of the program that breaks one of its rules in flight).
    std::function<FaultAction(ScsiRequest&)> decide;
    // Told of every attempt that went on, once the device has answered it.
    std::function<void(const ScsiRequest&)> after;

protected:
    std::unique_ptr<IDeviceHandle> Wrap(std::unique_ptr<IDeviceHandle> pInner) override;
};

// A decision that fails every attempt of the n-th command (counted from 1)
// for which bMatches holds, and passes everything else.
std::function<FaultAction(const ScsiRequest&)> FailNth(
    std::function<bool(const ScsiRequest&)> bMatches, int n,
    FaultAction action = FaultAction::Fail);

}  // namespace rf::test
