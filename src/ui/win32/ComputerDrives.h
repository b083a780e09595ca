#pragma once

// The computer's own drives, as the window program reaches them.

#include <memory>

#include "device/DevicePort.h"

namespace rf {

std::unique_ptr<IDeviceSystem> MakeComputerDriveSystem();

}  // namespace rf
