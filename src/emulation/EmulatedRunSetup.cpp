#include "emulation/EmulatedRunSetup.h"

#include "emulation/EmulatedSession.h"

namespace rf {

bool CRunClock::Use(const std::optional<std::string>& clockFile, bool bVirtual) {
    if (clockFile) {
        m_pShared = CSharedVirtualClock::Open(*clockFile);
        if (m_pShared == nullptr) {
            return false;
        }
        m_scoped.emplace(*m_pShared);
    } else if (bVirtual) {
        m_scoped.emplace(m_virtual);
    }
    return true;
}

std::optional<std::vector<UnitFault>> ParseUnitFaults(const std::vector<std::string>& texts,
                                                      std::string& strBad) {
    std::vector<UnitFault> faults;
    for (const std::string& strFault : texts) {
        const std::optional<UnitFault> fault = ParseUnitFault(strFault);
        if (!fault) {
            strBad = strFault;
            return std::nullopt;
        }
        faults.push_back(*fault);
    }
    return faults;
}

bool AddUnitFaults(CEmulatedSession& session, const std::vector<UnitFault>& faults,
                   std::u16string& strUnknownUnit) {
    for (const UnitFault& fault : faults) {
        if (fault.unit.empty()) {
            for (const CEmulatedSession::Unit& unit : session.Units()) {
                unit.pEnclosure->AddFault(fault.fault);
            }
        } else if (emu::CEmulatedEnclosure* pUnit = session.FindUnit(fault.unit)) {
            pUnit->AddFault(fault.fault);
        } else {
            strUnknownUnit = fault.unit;
            return false;
        }
    }
    return true;
}

}  // namespace rf
