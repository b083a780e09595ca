#include "support/FaultyDeviceSystem.h"

namespace rf::test {

namespace {

class CFaultyHandle final : public IDeviceHandle {
public:
    CFaultyHandle(std::unique_ptr<IDeviceHandle> pInner, CFaultyDeviceSystem& system)
        : m_pInner(std::move(pInner)), m_system(system) {}

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
        return m_pInner->SendScsi(request);
    }
    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override { return m_pInner->QueryAdapter(descriptor); }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override { return m_pInner->QueryDevice(descriptor); }
    bool GetScsiAddress(ScsiAddress& address) override { return m_pInner->GetScsiAddress(address); }
    bool GetDeviceNumber(StorageDeviceNumber& number) override { return m_pInner->GetDeviceNumber(number); }

private:
    std::unique_ptr<IDeviceHandle> m_pInner;
    CFaultyDeviceSystem& m_system;
};

}  // namespace

std::unique_ptr<IDeviceHandle> CFaultyDeviceSystem::Open(const std::u16string& path) {
    std::unique_ptr<IDeviceHandle> pInner = m_inner.Open(path);
    if (pInner == nullptr) {
        return nullptr;
    }
    return std::make_unique<CFaultyHandle>(std::move(pInner), *this);
}

std::function<FaultAction(const ScsiRequest&)> FailNth(std::function<bool(const ScsiRequest&)> bMatches, int n,
                                                       FaultAction action) {
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
