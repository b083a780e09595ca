#include "emulation/EmulatedSession.h"

#include "base/Environment.h"
#include "base/FilePath.h"
#include "emulation/EmulatedUnits.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/EnclosureStore.h"

namespace rf {

namespace {

std::shared_ptr<emu::CEmulatedEnclosure> FreshEnclosure() {
    std::string strError;
    return MakeEmulatedEnclosure(kDefaultPreset, "", "", strError);
}

}  // namespace

std::string DefaultEmulatorDirectory() {
    return PathToUtf8(UserStateDirectory() / "reflasher" / "emulated-enclosure");
}

std::unique_ptr<CEmulatedSession> CEmulatedSession::Open(const std::string& strDirectory,
                                                         std::string& strError) {
    std::vector<Unit> units;
    if (!emu::EnclosureExists(strDirectory)) {
        std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure = FreshEnclosure();
        if (!emu::SaveEnclosure(*pEnclosure, strDirectory, strError)) {
            return nullptr;
        }
        units.push_back(Unit{EmulatedUnitDrive(1), strDirectory, std::move(pEnclosure), {}});
    } else {
        const int nUnits = CountEmulatedUnits(strDirectory);
        for (int nUnit = 1; nUnit <= nUnits; ++nUnit) {
            const std::string strUnitDirectory = EmulatedUnitDirectory(strDirectory, nUnit);
            std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure =
                emu::LoadEnclosure(strUnitDirectory, strError);
            if (pEnclosure == nullptr) {
                return nullptr;
            }
            units.push_back(
                Unit{EmulatedUnitDrive(nUnit), strUnitDirectory, std::move(pEnclosure), {}});
        }
    }
    for (Unit& unit : units) {
        unit.strLoadedState = emu::EnclosureState(*unit.pEnclosure);
    }
    return std::unique_ptr<CEmulatedSession>(new CEmulatedSession(std::move(units)));
}

CEmulatedSession::CEmulatedSession(std::vector<Unit> units) : m_units(std::move(units)) {
    for (const Unit& unit : m_units) {
        m_system.Attach(unit.drive, unit.pEnclosure);
    }
}

CEmulatedSession::~CEmulatedSession() {
    if (!m_bSaved) {
        std::string strError;
        Save(strError);
    }
}

emu::CEmulatedEnclosure* CEmulatedSession::FindUnit(const std::u16string& name) {
    for (const Unit& unit : m_units) {
        if (unit.drive == name || EmulatedUnitSerial(*unit.pEnclosure) == name) {
            return unit.pEnclosure.get();
        }
    }
    return nullptr;
}

bool CEmulatedSession::Save(std::string& strError) {
    m_bSaved = true;
    bool bSaved = true;
    for (Unit& unit : m_units) {
        // An enclosure whose power was cut comes back powered next run.
        std::string strState = emu::EnclosureState(*unit.pEnclosure);
        if (strState == unit.strLoadedState) {
            continue;
        }
        if (!emu::SaveEnclosure(*unit.pEnclosure, unit.strDirectory, strError)) {
            bSaved = false;
            continue;
        }
        unit.strLoadedState = std::move(strState);
    }
    return bSaved;
}

}  // namespace rf
