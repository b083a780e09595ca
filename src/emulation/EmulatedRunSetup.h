#pragma once

// What a front end that runs emulated enclosures sets up before it opens
// them: the clock they run on and the faults they are to answer with. The
// terminal and reflasher-tcmu do it alike.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/SharedClock.h"
#include "emulation/EmulatedUnits.h"

namespace rf {

class CEmulatedSession;

// The clock of a run, current for as long as this object lives. Set it up
// before the enclosures are loaded: they start up on it.
class CRunClock {
public:
    // The shared clock of the file when one is given; else, with bVirtual,
    // a virtual clock of its own; else the current clock stays. False when
    // the file cannot be used as a clock.
    bool Use(const std::optional<std::string>& clockFile, bool bVirtual);

private:
    CVirtualClock m_virtual;
    std::unique_ptr<CSharedVirtualClock> m_pShared;
    std::optional<CScopedClock> m_scoped;
};

// Every "[UNIT:]KIND:N" read; nullopt at the first that is not one, which
// strBad then names.
std::optional<std::vector<UnitFault>> ParseUnitFaults(const std::vector<std::string>& texts,
                                                      std::string& strBad);

// Gives each fault to the unit it names, or to every unit when it names
// none. False at a name no unit has; strUnknownUnit then names it.
bool AddUnitFaults(CEmulatedSession& session, const std::vector<UnitFault>& faults,
                   std::u16string& strUnknownUnit);

}  // namespace rf
