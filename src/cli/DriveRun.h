#pragma once

// The run of a command that works on drives, set up once before it: the
// clock (virtual for the emulated enclosure, or one shared through a
// file), the drives (the computer's, through the broker where needed, or
// the emulated enclosures), and the trace of every command sent. After
// the command it reports, prints what --stats asks, and keeps the
// emulated enclosures' state.

#include <ctime>
#include <fstream>
#include <memory>
#include <optional>

#include "device/TracingDeviceSystem.h"
#include "emulation/EmulatedRunSetup.h"

namespace rf {

class CBrokerAccess;
class CEmulatedSession;
struct CliContext;
struct CliOptions;
struct CommandStreams;

class CDriveRun {
public:
    CDriveRun();
    ~CDriveRun();
    CDriveRun(const CDriveRun&) = delete;
    CDriveRun& operator=(const CDriveRun&) = delete;

    // 0 when the run is ready; else the exit status, its message printed.
    // Sets the updater's state directory for an emulated enclosure.
    int Open(CliOptions& options, CliContext& context);
    IDeviceSystem& System() { return *m_pTracing; }
    // Keeps the emulated enclosures' state, once; false with the message
    // printed when it could not be kept.
    bool SaveState(std::ostream& err);
    // "update --all": the workers keep the enclosures from now on, so
    // the parent's copy is saved now and never after them.
    bool HandOver(std::ostream& err);
    // List and info name the emulated link after what they show.
    void ShowLinkAtEnd() { m_bShowLink = true; }
    // The broker's report, --stats, the emulated link; the state kept.
    // Returns the exit status, nExit or a failure to keep the state.
    int Finish(const CliOptions& options, CommandStreams& streams, int nExit);

private:
    CRunClock m_runClock;
    std::unique_ptr<CBrokerAccess> m_pBroker;
    std::unique_ptr<CEmulatedSession> m_pSession;
    std::unique_ptr<CTracingDeviceSystem> m_pTracing;
    std::ofstream m_traceFile;
    bool m_bStateSaved = false;
    bool m_bShowLink = false;
    std::uint64_t m_nStart = 0;
    std::clock_t m_cpuStart = 0;
};

}  // namespace rf
