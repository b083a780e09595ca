#include "session/EmulatedSession.h"

#include "app/Environment.h"
#include "app/FilePath.h"
#include "emulator/EnclosureStore.h"
#include "session/EmulatorPresets.h"

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
    std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure;
    if (emu::EnclosureExists(strDirectory)) {
        pEnclosure = emu::LoadEnclosure(strDirectory, strError);
        if (pEnclosure == nullptr) {
            return nullptr;
        }
    } else {
        pEnclosure = FreshEnclosure();
        if (!emu::SaveEnclosure(*pEnclosure, strDirectory, strError)) {
            return nullptr;
        }
    }
    return std::unique_ptr<CEmulatedSession>(
        new CEmulatedSession(strDirectory, std::move(pEnclosure)));
}

CEmulatedSession::CEmulatedSession(std::string strDirectory,
                                   std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure)
    : m_strDirectory(std::move(strDirectory)), m_pEnclosure(std::move(pEnclosure)) {
    m_system.Attach(kDrivePath, m_pEnclosure);
}

CEmulatedSession::~CEmulatedSession() {
    if (!m_bSaved) {
        std::string strError;
        Save(strError);
    }
}

bool CEmulatedSession::Save(std::string& strError) {
    m_bSaved = true;
    // An enclosure whose power was cut comes back powered next run.
    return emu::SaveEnclosure(*m_pEnclosure, m_strDirectory, strError);
}

}  // namespace rf
