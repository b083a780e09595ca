#pragma once

// The operating system as the program sees it when it runs against
// emulated enclosures: each one sits at a device path and is reached only
// through the same handle interface as a real drive.

#include <map>
#include <memory>
#include <string>

#include "device/DevicePort.h"
#include "emulator/EmulatedEnclosure.h"

namespace rf::emu {

class CEmulatedDeviceSystem final : public IDeviceSystem {
public:
    void Attach(const std::u16string& path, std::shared_ptr<CEmulatedEnclosure> pEnclosure);
    void Detach(const std::u16string& path);
    std::shared_ptr<CEmulatedEnclosure> Enclosure(const std::u16string& path) const;

    // A drive without power is gone from the system and cannot be opened.
    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override;

private:
    std::map<std::u16string, std::shared_ptr<CEmulatedEnclosure>> m_enclosures;
};

}  // namespace rf::emu
