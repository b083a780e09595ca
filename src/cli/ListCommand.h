#pragma once

#include <iosfwd>

namespace rf {

class IDeviceSystem;

// Prints every physical drive with its bus, product and revision, and
// whether it is a supported enclosure or why not. Only drives that may be
// ours are opened (and sent an INQUIRY).
int ListDrives(IDeviceSystem& system, std::ostream& out);

}  // namespace rf
