#include "base/SharedClock.h"

namespace rf {

// A clock shared with another process serves only the enclosure served
// through the Linux kernel's SCSI target; Windows has no such enclosure.
std::unique_ptr<CSharedVirtualClock> CSharedVirtualClock::Open(const std::string& /*strPath*/) {
    return nullptr;
}

CSharedVirtualClock::~CSharedVirtualClock() = default;

}  // namespace rf
