#pragma once

// The emulated enclosures a run works on: loaded from their directory (one
// made fresh when there is none), attached to an emulated system, and saved
// back when the run ends.

#include <memory>
#include <string>
#include <vector>

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

    struct Unit {
        std::u16string drive;
        std::string strDirectory;
        std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure;
        std::string strLoadedState;  // as loaded, to leave an unchanged unit's files alone
    };

    emu::CEmulatedDeviceSystem& System() { return m_system; }
    // The first unit: the one the windows and the kernel's target serve.
    emu::CEmulatedEnclosure& Enclosure() { return *m_units.front().pEnclosure; }
    const std::vector<Unit>& Units() const { return m_units; }
    // The unit with this serial number ("Serial No.") or drive; null for none.
    emu::CEmulatedEnclosure* FindUnit(const std::u16string& name);
    // Writes back the state of every unit the run changed, and only those:
    // another run may be working on another unit of the directory at the
    // same time. False with a message on failure.
    bool Save(std::string& strError);

    static constexpr const char16_t* kDrivePath = u"emulated-enclosure";

private:
    explicit CEmulatedSession(std::vector<Unit> units);

    std::vector<Unit> m_units;
    emu::CEmulatedDeviceSystem m_system;
    bool m_bSaved = false;
};

}  // namespace rf
