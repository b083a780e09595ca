#pragma once

// The window program from start to end: start-up checks and options, the
// dialog the options select in its window, message boxes and the message
// pump over Qt, and the emulated enclosure when asked for.

#include <string>
#include <vector>

#include "device/DevicePort.h"

namespace rf {

// Needs a QApplication. args excludes the program name; hardware is the
// computer's drives. Returns the process's exit status: 0 once the dialog
// has closed, 1 when the program could not start.
int RunWindowApp(const std::vector<std::u16string>& args, IDeviceSystem& hardware);

// The application font for the language: one that has the Japanese glyphs
// when the texts are Japanese.
void UseFontForLanguage();

}  // namespace rf
