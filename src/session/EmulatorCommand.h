#pragma once

#include <iosfwd>

namespace rf {

struct CliOptions;

// "emulator reset": makes the emulated enclosure anew from a named starting
// point (and chosen chips), replacing what its directory held.
int ResetEmulator(const CliOptions& options, std::ostream& out, std::ostream& err);

}  // namespace rf
