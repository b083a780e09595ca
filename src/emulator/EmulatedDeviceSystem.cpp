#include "emulator/EmulatedDeviceSystem.h"

namespace rf::emu {

namespace {

class CEmulatedHandle final : public IDeviceHandle {
public:
    CEmulatedHandle(std::shared_ptr<CEmulatedEnclosure> pEnclosure, std::uint32_t nDeviceNumber)
        : m_pEnclosure(std::move(pEnclosure)), m_nDeviceNumber(nDeviceNumber) {}

    bool SendScsi(ScsiRequest& request) override { return m_pEnclosure->Execute(request); }

    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override {
        descriptor.BusMajorVersion = m_pEnclosure->Bus().nMajorVersion;
        descriptor.BusMinorVersion = m_pEnclosure->Bus().nMinorVersion;
        return m_pEnclosure->IsPowered();
    }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override {
        descriptor.BusType = m_pEnclosure->Bus().nBusType;
        return m_pEnclosure->IsPowered();
    }
    bool GetScsiAddress(ScsiAddress& address) override {
        address = ScsiAddress{};
        return m_pEnclosure->IsPowered();
    }
    bool GetDeviceNumber(StorageDeviceNumber& number) override {
        number = StorageDeviceNumber{FILE_DEVICE_DISK, m_nDeviceNumber, 0};
        return m_pEnclosure->IsPowered();
    }

private:
    std::shared_ptr<CEmulatedEnclosure> m_pEnclosure;
    std::uint32_t m_nDeviceNumber;
};

}  // namespace

void CEmulatedDeviceSystem::Attach(const std::u16string& path,
                                   std::shared_ptr<CEmulatedEnclosure> pEnclosure) {
    m_enclosures[path] = std::move(pEnclosure);
}

void CEmulatedDeviceSystem::Detach(const std::u16string& path) {
    m_enclosures.erase(path);
}

std::shared_ptr<CEmulatedEnclosure> CEmulatedDeviceSystem::Enclosure(
    const std::u16string& path) const {
    const auto it = m_enclosures.find(path);
    return it == m_enclosures.end() ? nullptr : it->second;
}

std::unique_ptr<IDeviceHandle> CEmulatedDeviceSystem::Open(const std::u16string& path) {
    const auto it = m_enclosures.find(path);
    if (it == m_enclosures.end() || !it->second->IsPowered()) {
        return nullptr;
    }
    const auto nIndex = static_cast<std::uint32_t>(std::distance(m_enclosures.begin(), it));
    return std::make_unique<CEmulatedHandle>(it->second, (8u << 20) | (16u * nIndex));
}

}  // namespace rf::emu
