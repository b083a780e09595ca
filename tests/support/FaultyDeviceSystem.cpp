#include "support/FaultyDeviceSystem.h"

namespace rf::test {

namespace {

class CFaultyHandle final : public CForwardingDeviceHandle {
public:
    CFaultyHandle(std::unique_ptr<IDeviceHandle> pInner, CFaultyDeviceSystem& system)
        : CForwardingDeviceHandle(std::move(pInner)), m_system(system) {}

    bool SendScsi(ScsiRequest& request) override {
        const FaultAction action = m_system.decide ? m_system.decide(request) : FaultAction::Pass;
        if (action == FaultAction::Fail) {
            return false;
        }
        if (action == FaultAction::CheckCondition) {
            request.ScsiStatus = 0x02;
            request.SenseInfoLength = 0;
            request.DataTransferLength = 0;
            return true;
        }
        const bool bSent = Inner().SendScsi(request);
        if (m_system.after) {
            m_system.after(request);
        }
        return bSent;
    }

private:
    CFaultyDeviceSystem& m_system;
};

}  // namespace

std::unique_ptr<IDeviceHandle> CFaultyDeviceSystem::Wrap(std::unique_ptr<IDeviceHandle> pInner) {
    return std::make_unique<CFaultyHandle>(std::move(pInner), *this);
}

std::function<FaultAction(const ScsiRequest&)> FailNth(
    std::function<bool(const ScsiRequest&)> bMatches, int n, FaultAction action) {
    // The transport offers a failed command six times: all of them fail.
    auto nSeen = std::make_shared<int>(0);
    auto nFailing = std::make_shared<int>(0);
    return [=](const ScsiRequest& request) {
        if (*nFailing > 0) {
            --*nFailing;
            return action;
        }
        if (bMatches(request) && ++*nSeen == n) {
            *nFailing = action == FaultAction::Fail ? 5 : 0;
            return action;
        }
        return FaultAction::Pass;
    };
}

}  // namespace rf::test
