#pragma once

// The Windows program from start to end: its resources behind the version
// record, texts and images; start-up checks and options; the dialog the
// options select in its window, with message boxes and the message pump of
// the thread; and the emulated enclosure when asked for (/Emulate).

#include <string>
#include <vector>

#include "device/DevicePort.h"

namespace rf {

// args excludes the program name; hardware is the computer's drives.
// Returns the process's exit status: 0 once the dialog has closed, 1 when
// the program could not start.
int RunWin32App(const std::vector<std::u16string>& args, IDeviceSystem& hardware);

}  // namespace rf
