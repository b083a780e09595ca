#include "cli/DriveRun.h"

#include <filesystem>
#include <ostream>

#include "base/FilePath.h"
#include "base/Text.h"
#include "cli/BrokerAccess.h"
#include "cli/CliApp.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "emulation/EmulatedSession.h"
#include "emulation/EmulatedUnits.h"
#include "emulator/BusProfile.h"
#include "framework/StringTable.h"
#include "session/CliOptions.h"

namespace rf {

namespace {

// Counts of --stats: what the command cost on the device and on the host.
void PrintStats(std::ostream& stream, const TraceCounters& counters,
                std::uint64_t nDeviceMicroseconds, double dCpuSeconds) {
    stream << Utf16ToUtf8(LoadResString(IDS_CLI_STATS)) << ": commands " << counters.nCommands
           << " (failed " << counters.nFailed << "), bytes in " << counters.nBytesIn
           << ", bytes out " << counters.nBytesOut << ", device time " << nDeviceMicroseconds / 1000
           << " ms, host CPU time " << static_cast<long long>(dCpuSeconds * 1000) << " ms\n";
}

// A fault that names a unit goes to that unit alone; one that names none,
// to every unit. False, with a message, when no unit has the name.
bool AddFaults(CEmulatedSession& session, const std::vector<UnitFault>& faults, std::ostream& err) {
    for (const UnitFault& fault : faults) {
        if (fault.unit.empty()) {
            for (const CEmulatedSession::Unit& unit : session.Units()) {
                unit.pEnclosure->AddFault(fault.fault);
            }
        } else if (emu::CEmulatedEnclosure* pUnit = session.FindUnit(fault.unit)) {
            pUnit->AddFault(fault.fault);
        } else {
            PrintMessage(err, IDS_CLI_NO_SUCH_FAULT_UNIT, fault.unit);
            return false;
        }
    }
    return true;
}

}  // namespace

void PrintLink(std::ostream& stream, const emu::BusProfile& bus) {
    stream << Utf16ToUtf8(LoadResString(IDS_CLI_LINK)) << ": " << bus.pszName << " ("
           << bus.pszDescription << "; " << bus.nCommandMicroseconds << " us a command, "
           << bus.nNanosecondsPerByte << " ns a byte)\n";
}

CDriveRun::CDriveRun() = default;
CDriveRun::~CDriveRun() = default;

int CDriveRun::Open(CliOptions& options, CliContext& context) {
    std::vector<UnitFault> faults;
    for (const std::string& strFault : options.faults) {
        const std::optional<UnitFault> fault = ParseUnitFault(strFault);
        if (!fault) {
            PrintMessage(context.err, IDS_CLI_UNKNOWN_OPTION,
                         u"--emulate-fault " + Utf8ToUtf16(strFault));
            return kExitNothing;
        }
        faults.push_back(*fault);
    }
    // The emulated enclosure runs on virtual time unless it is to take its
    // modelled time. A clock file gives the virtual time that an enclosure
    // served through the kernel keeps, for real drives as for emulated ones.
    if (options.clockFile) {
        m_pSharedClock = CSharedVirtualClock::Open(*options.clockFile);
        if (m_pSharedClock == nullptr) {
            PrintMessage(context.err, IDS_CLI_CLOCK_FAILED,
                         Utf8ToUtf16(*options.clockFile + ": " + LastFileErrorText()));
            return kExitNothing;
        }
        m_scopedClock.emplace(*m_pSharedClock);
    }
    m_pBroker = std::make_unique<CBrokerAccess>(
        context.system, options.broker, context.strFallbackBroker, options.updater.bAllProducts);
    IDeviceSystem* pSystem = &m_pBroker->System();
    if (options.emulateDirectory) {
        // The clock first: the enclosure starts up on it as it is loaded.
        if (!options.bRealtime && !m_scopedClock) {
            m_scopedClock.emplace(m_virtualClock);
        }
        std::string strError;
        m_pSession = CEmulatedSession::Open(*options.emulateDirectory, strError);
        if (m_pSession == nullptr) {
            PrintMessage(context.err, IDS_CLI_EMULATOR_ERROR, Utf8ToUtf16(strError));
            return kExitFailure;
        }
        for (const CEmulatedSession::Unit& unit : m_pSession->Units()) {
            unit.pEnclosure->ResetCommandIndex();
        }
        // With --all the faults are the workers': the parent only searches.
        if (!options.bAll && !AddFaults(*m_pSession, faults, context.err)) {
            return kExitNothing;
        }
        pSystem = &m_pSession->System();
        // An update must be able to keep what it did to the enclosure.
        options.updater.stateDirectory = PathFromUtf8(*options.emulateDirectory);
    }

    m_pTracing = std::make_unique<CTracingDeviceSystem>(*pSystem);
    // With --all, --trace names a directory for the workers' traces.
    if (options.traceFile && !options.bAll) {
        // One line ending on every system, so traces compare byte for byte.
        m_traceFile.open(std::filesystem::path(*options.traceFile),
                         std::ios::binary | std::ios::trunc);
        if (!m_traceFile) {
            PrintMessage(context.err, IDS_CLI_TRACE_FAILED,
                         *options.traceFile + u": " + Utf8ToUtf16(LastFileErrorText()));
            return kExitNothing;
        }
        m_pTracing->SetSink(
            [this](const TraceEntry& entry) { m_traceFile << FormatTraceLine(entry) << '\n'; });
    }
    m_nStart = CurrentClock().NowMicroseconds();
    m_cpuStart = std::clock();
    return kExitSuccess;
}

bool CDriveRun::SaveState(std::ostream& err) {
    if (m_pSession == nullptr || m_bStateSaved) {
        return true;
    }
    m_bStateSaved = true;
    std::string strError;
    if (!m_pSession->Save(strError)) {
        PrintMessage(err, IDS_CLI_EMULATOR_ERROR, Utf8ToUtf16(strError));
        return false;
    }
    return true;
}

bool CDriveRun::HandOver(std::ostream& err) {
    const bool bSaved = SaveState(err);
    m_pSession.reset();
    return bSaved;
}

int CDriveRun::Finish(const CliOptions& options, CommandStreams& streams, int nExit) {
    m_pBroker->Report(streams.err);
    if (options.bStats) {
        PrintStats(streams.log, m_pTracing->Counters(), CurrentClock().NowMicroseconds() - m_nStart,
                   static_cast<double>(std::clock() - m_cpuStart) / CLOCKS_PER_SEC);
    }
    if (m_pSession != nullptr && (options.bStats || m_bShowLink)) {
        PrintLink(streams.log, m_pSession->Enclosure().Bus());
    }
    if (!SaveState(streams.err)) {
        return kExitFailure;
    }
    return nExit;
}

}  // namespace rf
