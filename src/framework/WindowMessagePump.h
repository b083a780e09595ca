#pragma once

// The message loop as the device layer's turn for the front end: whatever
// pump the front end installed (Qt's queue, the Win32 queue, or the headless
// loop of the tests) serves the turns of a long device operation, so a
// dialog stays alive through an update without installing anything of its
// own. Where dialogs run, this turn is installed beside the message pump.

#include "device/FrontEndPump.h"

namespace rf {

// PumpMessages() as a turn.
IFrontEndPump& WindowMessagePump();

}  // namespace rf
