#pragma once

// Answers the commands waiting on a TCMU ring: each command's data segments
// gathered into one buffer, answered by the target, the answer scattered
// back and completed.

#include <cstddef>
#include <vector>

#include "emulator/tcmu/EnclosureTarget.h"
#include "emulator/tcmu/TcmuRing.h"

namespace rf::emu {

// How many commands were answered. buffer is scratch space kept between calls.
std::size_t AnswerWaitingCommands(const rf_tcmu_ring& ring, CEnclosureTarget& target,
                                  std::vector<BYTE>& buffer);

}  // namespace rf::emu
