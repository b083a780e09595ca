#include "ui/DeviceChangeNotify.h"

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
