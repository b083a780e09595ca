#pragma once

// The system's handle types, named without its header: <windows.h> defines
// macros under names that the program's own headers use, so it is included
// only in source files, after every header of ours.

struct HWND__;
struct HINSTANCE__;
struct HDROP__;

namespace rf {

using HWND = ::HWND__*;
using HMODULE = ::HINSTANCE__*;
using HDROP = ::HDROP__*;

}  // namespace rf
