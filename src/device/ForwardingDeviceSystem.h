#pragma once

// A device system that stands in front of another and passes everything on
// except what a subclass wants to see: the base of the trace recorder and of
// the tests' fault injector.

#include <memory>

#include "device/DevicePort.h"

namespace rf {

class CForwardingDeviceHandle : public IDeviceHandle {
public:
    explicit CForwardingDeviceHandle(std::unique_ptr<IDeviceHandle> pInner)
        : m_pInner(std::move(pInner)) {}

    bool SendScsi(ScsiRequest& request) override { return m_pInner->SendScsi(request); }
    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override {
        return m_pInner->QueryAdapter(descriptor);
    }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override {
        return m_pInner->QueryDevice(descriptor);
    }
    bool GetScsiAddress(ScsiAddress& address) override { return m_pInner->GetScsiAddress(address); }
    bool GetDeviceNumber(StorageDeviceNumber& number) override {
        return m_pInner->GetDeviceNumber(number);
    }

protected:
    IDeviceHandle& Inner() { return *m_pInner; }

private:
    std::unique_ptr<IDeviceHandle> m_pInner;
};

class CForwardingDeviceSystem : public IDeviceSystem {
public:
    explicit CForwardingDeviceSystem(IDeviceSystem& inner) : m_inner(inner) {}

    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override {
        std::unique_ptr<IDeviceHandle> pInner = m_inner.Open(path);
        return pInner != nullptr ? Wrap(std::move(pInner)) : nullptr;
    }
    std::vector<PhysicalDrive> ListPhysicalDrives() override {
        return m_inner.ListPhysicalDrives();
    }
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override {
        return m_inner.PrepareVolumes(disk, report);
    }

protected:
    // The handle the program gets for an opened drive.
    virtual std::unique_ptr<IDeviceHandle> Wrap(std::unique_ptr<IDeviceHandle> pInner) = 0;

private:
    IDeviceSystem& m_inner;
};

}  // namespace rf
