#pragma once

// One SCSI request through Linux's SG_IO ioctl. The ioctl itself is a
// parameter so that the request built and the answer read can be tested
// without a device.

#include <functional>

#include "device/DevicePort.h"

namespace rf {

using IoctlFunction = std::function<int(int nFd, unsigned long nRequest, void* pArgument)>;

// The system's ioctl.
IoctlFunction SystemIoctl();

// Sends the request once. False when the ioctl failed or the host adapter or
// driver reported an error (the command did not complete on the device);
// true otherwise, with the status, sense bytes and transferred count stored
// in the request.
bool SendSgIo(int nFd, ScsiRequest& request, const IoctlFunction& ioctlFunction);

}  // namespace rf
