#pragma once

// The device search as the dialog's timer runs it: the dialog learns of a
// change by a posted message.

#include "device/FindDevice.h"

namespace rf {

class CMessageTarget;

// One pass of the device search, told to a window: UM_DEVICE_CHANGED with
// 1 is posted when the device was found, with 0 when it has gone.
void FindDevice(CScsiDevice& device, CMessageTarget& notify);
// Tells a window what a pass of a device search changed, as FindDevice does.
void NotifyDeviceChange(DeviceChange change, CMessageTarget& notify);

}  // namespace rf
