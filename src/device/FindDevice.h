#pragma once

#include "device/DevicePort.h"

namespace rf {

class CMessageTarget;
class CScsiDevice;

// What one pass of the device search changed.
enum class DeviceChange { None, Found, Gone };

// One pass of the device search. While the device is closed, the drives are
// opened and identified in list order until one is a supported product,
// which stays open (Found). While it is open, only its presence in the list
// is checked; when it has gone it is closed (Gone). Drives that cannot be
// ours by what the system already knows of them are never sent a command.
DeviceChange SearchDevice(CScsiDevice& device);

// One pass of the device search, told to a window: UM_DEVICE_CHANGED with
// 1 is posted when the device was found, with 0 when it has gone.
void FindDevice(CScsiDevice& device, CMessageTarget& notify);
// Tells a window what a pass of a device search changed, as FindDevice does.
void NotifyDeviceChange(DeviceChange change, CMessageTarget& notify);

// False only when the system knows the drive's INQUIRY texts and they match
// no supported product.
bool MayBeSupported(const PhysicalDrive& drive);
// The same with the products of the EnableAllProducts option given or not.
bool MayBeSupported(const PhysicalDrive& drive, bool bEnableAllProducts);

// The drives that may be a supported enclosure but cannot be opened (most
// often for want of access rights), by the names people know them by. The
// search passes over them without a word; the front ends tell the user.
std::vector<std::u16string> CandidateDrivesWithoutAccess(IDeviceSystem& system);
// The string id that tells what to do about such a drive on this system.
UINT DriveNotOpenedMessage();

}  // namespace rf
