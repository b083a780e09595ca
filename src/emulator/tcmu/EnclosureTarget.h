#pragma once

// The emulated enclosure as a SCSI target behind the kernel: the commands
// the bridge answers itself go to the enclosure exactly as a pass-through
// request would hand them over, the disk commands to the disk behind it.

#include <span>

#include "emulator/EmulatedEnclosure.h"
#include "emulator/tcmu/EmulatedDisk.h"
#include "emulator/tcmu/TargetAnswer.h"

namespace rf::emu {

// The length of a command block by its opcode's group, as the kernel
// counts it; 0 for the variable-length group.
BYTE CommandBlockLength(BYTE nOpcode);

class CEnclosureTarget {
public:
    CEnclosureTarget(CEmulatedEnclosure& enclosure, CEmulatedDisk& disk)
        : m_enclosure(enclosure), m_disk(disk) {}

    // cdb: the command block as queued (at least its length by opcode);
    // data: the command's whole data buffer, holding what is sent for a
    // command that writes, else room for the answer (cleared first).
    TargetAnswer Execute(std::span<const BYTE> cdb, std::span<BYTE> data);

private:
    CEmulatedEnclosure& m_enclosure;
    CEmulatedDisk& m_disk;
};

}  // namespace rf::emu
