#pragma once

// The ordinary disk commands the kernel sends to the disk behind the bridge:
// capacity, mode pages, sense, reads and writes of whole blocks, cache
// flushes. The bridge's own commands are the enclosure's business.

#include <span>

#include "emulator/tcmu/EmulatedDisk.h"
#include "emulator/tcmu/TargetAnswer.h"

namespace rf::emu {

bool IsDiskCommand(BYTE nOpcode);

// cdb holds at least the command's whole block; data is the command's data
// buffer: the blocks written, or room for the answer.
TargetAnswer AnswerDiskCommand(CEmulatedDisk& disk, std::span<const BYTE> cdb,
                               std::span<BYTE> data);

}  // namespace rf::emu
