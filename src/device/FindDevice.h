#pragma once

#include "device/DevicePort.h"

namespace rf {

class CScsiDevice;

// What one pass of the device search changed.
enum class DeviceChange { None, Found, Gone };

// One pass of the device search. While the device is closed, the drives are
// opened and identified in list order until one is a supported product,
// which stays open (Found). While it is open, only its presence in the list
// is checked; when it has gone it is closed (Gone). Drives that cannot be
// ours by what the system already knows of them are never sent a command.
DeviceChange SearchDevice(CScsiDevice& device);

// False only when the system knows the drive's INQUIRY texts and they match
// no supported product (bAllProducts: of the whole product table).
bool MayBeSupported(const PhysicalDrive& drive, bool bAllProducts);

// The drives that may be a supported enclosure but cannot be opened (most
// often for want of access rights), by the names people know them by. The
// search passes over them without a word; the front ends tell the user.
std::vector<std::u16string> CandidateDrivesWithoutAccess(IDeviceSystem& system, bool bAllProducts);
// The string id that tells what to do about such a drive on this system.
UINT DriveNotOpenedMessage();

}  // namespace rf
