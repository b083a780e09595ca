#pragma once

// The Win32 headers as this port includes them: without the rarely used
// parts and without the min/max macros, with the storage stack's structures.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>
// clang-format off: the storage headers need windows.h first.
#include <ntddscsi.h>
#include <winioctl.h>
// clang-format on
