#pragma once

// What an update of the unit that was read would do, told before it does
// anything: the memories it would write in their order, the status texts
// each shows, and the device time each would take on the unit's link. It
// is made from the read update object, and sends the unit nothing but the
// reads of the checks the update makes before its first write (the timed
// reads of a page-write FLASH chip's link among them): what it knows of
// time it learns on an emulated twin (see TimingTwin.h).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Types.h"
#include "emulator/BusProfile.h"

namespace rf {

class CFirmwareUpdate;
class CRomObject;
class CScsiDevice;

struct PlannedStep {
    const CRomObject* pRom = nullptr;  // the unit's image object
    std::vector<UINT> stageTexts;      // the status texts the update shows for it
    // Null when no twin could be made of the unit.
    std::optional<std::uint64_t> estimatedMicroseconds;
    UINT nFailure = 0;  // the message the twin's write of this memory ended with, 0 for none
};

struct PlannedUpdate {
    std::vector<PlannedStep> steps;
    // IDS_CONFIRM_OVERWRITE when nothing is newer (the steps are then what
    // Yes writes); the refusal before the first write when the update would
    // refuse; else the result the twin's update ended with.
    UINT nMessageId = 0;
    std::u16string strDetail;  // what the refusal is about
    bool bQuestion = false;
    bool bRefused = false;
    const emu::BusProfile* pLink = nullptr;
    // Search, read, and the restart of the bridge at the end.
    std::optional<std::uint64_t> otherMicroseconds;
    std::optional<std::uint64_t> totalMicroseconds;
};

// The link profile a unit's bus stands for: the first profile of the same
// bus and version (the fast host of each), else of the same bus, else the
// default.
const emu::BusProfile& LinkProfileOf(const CScsiDevice& device);

// The plan of the update object that has read its unit; times on the link.
PlannedUpdate PlanUpdate(CFirmwareUpdate& unit, const emu::BusProfile& link);

}  // namespace rf
