#pragma once

// Plain fixed-width types under the names the protocol documentation and the
// rest of the program use. They live in our namespace so that a platform
// header defining the same names never clashes with them.

#include <cstddef>
#include <cstdint>

namespace rf {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;

// Message parameters of the window-message model the dialogs are written in.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

}  // namespace rf
