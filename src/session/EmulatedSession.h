#pragma once

// The emulated enclosure a run of the terminal front end works on: loaded
// from its directory (made fresh when there is none), attached to an
// emulated system, and saved back when the run ends.

#include <memory>
#include <string>

#include "emulator/EmulatedDeviceSystem.h"

namespace rf {

// reflasher/emulated-enclosure in the user's state directory
// ($XDG_STATE_HOME or ~/.local/state; %LOCALAPPDATA% on Windows).
std::string DefaultEmulatorDirectory();

class CEmulatedSession {
public:
    // Null with a message when the directory holds a damaged enclosure or
    // cannot be written.
    static std::unique_ptr<CEmulatedSession> Open(const std::string& strDirectory,
                                                  std::string& strError);
    ~CEmulatedSession();
    CEmulatedSession(const CEmulatedSession&) = delete;
    CEmulatedSession& operator=(const CEmulatedSession&) = delete;

    emu::CEmulatedDeviceSystem& System() { return m_system; }
    emu::CEmulatedEnclosure& Enclosure() { return *m_pEnclosure; }
    // Writes the enclosure's state back; false with a message on failure.
    bool Save(std::string& strError);

    static constexpr const char16_t* kDrivePath = u"emulated-enclosure";

private:
    CEmulatedSession(std::string strDirectory, std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure);

    std::string m_strDirectory;
    std::shared_ptr<emu::CEmulatedEnclosure> m_pEnclosure;
    emu::CEmulatedDeviceSystem m_system;
    bool m_bSaved = false;
};

}  // namespace rf
