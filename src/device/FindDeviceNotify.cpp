// The device search as the dialog's timer runs it: the dialog learns of a
// change by a posted message, so this is where the search meets the window
// framework's message loop.

#include "device/FindDevice.h"

#include "framework/MessageLoop.h"

namespace rf {

void FindDevice(CScsiDevice& device, CMessageTarget& notify) {
    NotifyDeviceChange(SearchDevice(device), notify);
}

void NotifyDeviceChange(DeviceChange change, CMessageTarget& notify) {
    switch (change) {
        case DeviceChange::Found:
            PostMessageTo(notify, UM_DEVICE_CHANGED, 1, 0);
            break;
        case DeviceChange::Gone:
            PostMessageTo(notify, UM_DEVICE_CHANGED, 0, 0);
            break;
        case DeviceChange::None:
            break;
    }
}

}  // namespace rf
