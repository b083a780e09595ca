#pragma once

// Choosing one enclosure among several attached: by the drive as the drive
// list names it, or by the unit's serial number ("Serial No."). Learning a
// serial number takes the identification of each supported enclosure and a
// read of its SEEPROM(CPU) header, nothing more: no drive is ever written,
// and a drive that is no supported enclosure by its INQUIRY data is sent
// nothing after it.

#include <string>
#include <vector>

#include "device/FindDevice.h"

namespace rf {

class CScsiDevice;

// True when the drive is known by the name: its listed name, its other node
// or its path.
bool DriveHasName(const PhysicalDrive& drive, const std::u16string& name);

// The unit's serial number as the dialogs show it, read from its
// SEEPROM(CPU); empty when it cannot be read (a bridge without firmware
// does not reach that EEPROM).
std::u16string ReadSerialNumber(CScsiDevice& device);

// One pass of the device search for the named unit, as SearchDevice is for
// the first one found: while the device is closed, opens the drive of that
// name when it is a supported enclosure, else the supported enclosure with
// that serial number; while it is open, checks that it is still listed.
DeviceChange SearchNamedDevice(CScsiDevice& device, const std::u16string& name);

// The supported enclosures other than the open device's drive, in list
// order: told by the INQUIRY data the system holds where it holds them,
// else identified and closed again. One the system knows to be a supported
// enclosure counts even when it cannot be opened: the person may mean it.
std::vector<PhysicalDrive> OtherSupportedDrives(const CScsiDevice& device);

}  // namespace rf
