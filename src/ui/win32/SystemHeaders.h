#pragma once

// The system's headers, for source files only and after every header of
// ours: they define macros under names the program uses (MB_OK, WM_TIMER,
// IDCANCEL and more, with the same values), and these two, which would
// rename the control layer's members.

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#undef GetWindowText
#undef SetWindowText
