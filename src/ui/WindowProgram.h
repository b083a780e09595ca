#pragma once

// What the window programs of both systems do around their window: the
// start-up checks and options, the emulated enclosure when /Emulate asks for
// it, the dialog the options select, and the enclosure saved once the window
// has closed. The front end installs its pump and message boxes first and
// shows the dialog in its own window.

#include <functional>
#include <string>
#include <vector>

#include "device/DevicePort.h"
#include "ui/MainDlg.h"

namespace rf {

// Shows the dialog in a window until it closes; bEmulated when it works on
// the emulated enclosure. False when the window could not be made.
using DialogWindowRunner = std::function<bool(CMainDlg& dialog, bool bEmulated)>;

// args excludes the program name; hardware is the computer's drives.
// Returns the process's exit status: 0 once the dialog has closed, 1 when
// the program could not start.
int RunWindowProgram(const std::vector<std::u16string>& args, IDeviceSystem& hardware,
                     const DialogWindowRunner& runWindow);

// Names the drives that may be an enclosure but cannot be opened, and what
// to do about it, in one warning; nothing when there are none. Without it a
// user without access would just watch the window never find the
// enclosure. The windows call it once they show.
void WarnOfDrivesWithoutAccess(IDeviceSystem& system, bool bAllProducts);

}  // namespace rf
