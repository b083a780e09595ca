#pragma once

// Words for the shell's completion (--complete WHAT), one a line, asked of
// the program so that the completion script holds no copy of its tables.

#include <iosfwd>
#include <string_view>

namespace rf {

class IDeviceSystem;

// WHAT: commands, options, value-options, updater-options, presets, flash-chips,
// spi-chips, faults, drives, or a command that has sub-commands. False
// when WHAT is none of them.
bool PrintCompletions(std::string_view what, IDeviceSystem& system, std::ostream& out);

}  // namespace rf
