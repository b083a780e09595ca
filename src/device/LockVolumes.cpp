#include "device/ScsiDevice.h"

namespace rf {

bool CScsiDevice::LockVolumes() {
    m_volumeReport = VolumeReport{};
    StorageDeviceNumber number;
    if (!GetDeviceNumber(&number)) {
        return false;
    }
    return m_system.PrepareVolumes(number, m_volumeReport);
}

}  // namespace rf
