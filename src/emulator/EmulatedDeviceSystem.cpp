#include "emulator/EmulatedDeviceSystem.h"

#include <algorithm>

namespace rf::emu {

namespace {

// A handle stays bound to the attachment it was opened on: once that drive
// is detached nothing reaches the enclosure through it any more, as a real
// system's handle of a removed disk fails, whatever is attached later.
class CEmulatedHandle final : public IDeviceHandle {
public:
    CEmulatedHandle(std::shared_ptr<CEmulatedEnclosure> pEnclosure, std::uint32_t nDeviceNumber,
                    std::shared_ptr<const bool> pAttached)
        : m_pEnclosure(std::move(pEnclosure)),
          m_nDeviceNumber(nDeviceNumber),
          m_pAttached(std::move(pAttached)) {}

    bool SendScsi(ScsiRequest& request) override {
        return *m_pAttached && m_pEnclosure->Execute(request);
    }

    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override {
        descriptor.BusMajorVersion = m_pEnclosure->Bus().nMajorVersion;
        descriptor.BusMinorVersion = m_pEnclosure->Bus().nMinorVersion;
        return IsThere();
    }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override {
        descriptor.BusType = m_pEnclosure->Bus().nBusType;
        return IsThere();
    }
    bool GetScsiAddress(ScsiAddress& address) override {
        address = ScsiAddress{};
        return IsThere();
    }
    bool GetDeviceNumber(StorageDeviceNumber& number) override {
        number = StorageDeviceNumber{FILE_DEVICE_DISK, m_nDeviceNumber, 0};
        return IsThere();
    }

private:
    bool IsThere() const { return *m_pAttached && m_pEnclosure->IsPowered(); }

    std::shared_ptr<CEmulatedEnclosure> m_pEnclosure;
    std::uint32_t m_nDeviceNumber;
    std::shared_ptr<const bool> m_pAttached;
};

}  // namespace

CEmulatedDeviceSystem::Drive* CEmulatedDeviceSystem::Find(const std::u16string& path) {
    const auto it = std::find_if(m_drives.begin(), m_drives.end(),
                                 [&](const Drive& d) { return d.path == path; });
    return it == m_drives.end() ? nullptr : &*it;
}

const CEmulatedDeviceSystem::Drive* CEmulatedDeviceSystem::Find(const std::u16string& path) const {
    return const_cast<CEmulatedDeviceSystem*>(this)->Find(path);
}

void CEmulatedDeviceSystem::Attach(const std::u16string& path,
                                   std::shared_ptr<CEmulatedEnclosure> pEnclosure) {
    Detach(path);
    // Every attachment is a new disk to the system, as after a real replug.
    m_drives.push_back(
        Drive{path, std::move(pEnclosure), m_nNextDeviceNumber, {}, std::make_shared<bool>(true)});
    m_nNextDeviceNumber += 16;
}

void CEmulatedDeviceSystem::Detach(const std::u16string& path) {
    std::erase_if(m_drives, [&](const Drive& d) {
        if (d.path != path) {
            return false;
        }
        *d.pAttached = false;
        return true;
    });
}

std::shared_ptr<CEmulatedEnclosure> CEmulatedDeviceSystem::Enclosure(
    const std::u16string& path) const {
    const Drive* pDrive = Find(path);
    return pDrive != nullptr ? pDrive->pEnclosure : nullptr;
}

void CEmulatedDeviceSystem::SetVolumes(const std::u16string& path,
                                       std::vector<EmulatedVolume> volumes) {
    if (Drive* pDrive = Find(path)) {
        pDrive->volumes = std::move(volumes);
    }
}

std::vector<EmulatedVolume> CEmulatedDeviceSystem::Volumes(const std::u16string& path) const {
    const Drive* pDrive = Find(path);
    return pDrive != nullptr ? pDrive->volumes : std::vector<EmulatedVolume>();
}

std::unique_ptr<IDeviceHandle> CEmulatedDeviceSystem::Open(const std::u16string& path) {
    const Drive* pDrive = Find(path);
    if (pDrive == nullptr || !pDrive->pEnclosure->IsPowered()) {
        return nullptr;
    }
    return std::make_unique<CEmulatedHandle>(pDrive->pEnclosure, pDrive->nDeviceNumber,
                                             pDrive->pAttached);
}

std::vector<PhysicalDrive> CEmulatedDeviceSystem::ListPhysicalDrives() {
    std::vector<PhysicalDrive> drives;
    for (const Drive& drive : m_drives) {
        if (!drive.pEnclosure->IsPowered()) {
            continue;
        }
        PhysicalDrive entry;
        entry.strPath = drive.path;
        entry.strName = drive.path;
        entry.bInquiryKnown = true;
        entry.strVendor = drive.pEnclosure->Vendor();
        entry.strProduct = drive.pEnclosure->Product();
        entry.strRevision = drive.pEnclosure->Revision();
        entry.bBusKnown = true;
        entry.nBusType = drive.pEnclosure->Bus().nBusType;
        entry.nBusMajorVersion = drive.pEnclosure->Bus().nMajorVersion;
        entry.nBusMinorVersion = drive.pEnclosure->Bus().nMinorVersion;
        drives.push_back(std::move(entry));
    }
    return drives;
}

bool CEmulatedDeviceSystem::PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) {
    const auto it = std::find_if(m_drives.begin(), m_drives.end(), [&](const Drive& d) {
        return d.nDeviceNumber == disk.DeviceNumber;
    });
    if (it == m_drives.end()) {
        report.inUse.push_back(u"the disk is not known to the system");
        return false;
    }
    for (const EmulatedVolume& volume : it->volumes) {
        if (volume.state == VolumeState::Busy) {
            report.inUse.push_back(volume.strMountPoint + u" is in use");
        }
    }
    if (!report.inUse.empty()) {
        return false;
    }
    for (EmulatedVolume& volume : it->volumes) {
        if (volume.state == VolumeState::MountedIdle) {
            volume.state = VolumeState::Free;
            report.unmounted.push_back(volume.strMountPoint);
        }
    }
    return true;
}

}  // namespace rf::emu
