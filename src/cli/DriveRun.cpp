#include "cli/DriveRun.h"

#include <filesystem>
#include <ostream>

#include "base/FilePath.h"
#include "base/Text.h"
#include "cli/BrokerAccess.h"
#include "cli/CliApp.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "emulation/EmulatedRunSetup.h"
#include "emulation/EmulatedSession.h"
#include "emulation/EmulatedUnits.h"
#include "emulator/BusProfile.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// Counts of --stats: what the command cost on the device and on the host.
void PrintStats(std::ostream& stream, const TraceCounters& counters,
                std::uint64_t nDeviceMicroseconds, double dCpuSeconds) {
    const auto number = [](auto nValue) { return Widen(std::to_string(nValue)); };
    PrintLine(stream, FillPlaceholders(LoadResString(IDS_CLI_STATS_LINE),
                                       {number(counters.nCommands), number(counters.nFailed),
                                        number(counters.nBytesIn), number(counters.nBytesOut),
                                        number(nDeviceMicroseconds / 1000),
                                        number(static_cast<long long>(dCpuSeconds * 1000))}));
}

}  // namespace

void PrintLink(std::ostream& stream, const emu::BusProfile& bus) {
    PrintLine(stream, LoadResString(IDS_CLI_LINK) + u": " + Widen(bus.pszName) + u" (" +
                          LinkDescription(bus) + u"; " +
                          FillPlaceholders(LoadResString(IDS_CLI_LINK_FIGURES),
                                           {Widen(std::to_string(bus.nCommandMicroseconds)),
                                            Widen(std::to_string(bus.nNanosecondsPerByte))}) +
                          u")");
}

CDriveRun::CDriveRun() = default;
CDriveRun::~CDriveRun() = default;

int CDriveRun::Open(CliOptions& options, CliContext& context) {
    std::string strBadFault;
    const std::optional<std::vector<UnitFault>> faults =
        ParseUnitFaults(options.faults, strBadFault);
    if (!faults) {
        PrintMessage(context.err, IDS_CLI_UNKNOWN_OPTION,
                     u"--emulate-fault " + Utf8ToUtf16(strBadFault));
        return kExitNothing;
    }
    // The emulated enclosure runs on virtual time unless it is to take its
    // modelled time. A clock file gives the virtual time that an enclosure
    // served through the kernel keeps, for real drives as for emulated ones.
    // The clock first: the enclosure starts up on it as it is loaded.
    if (!m_runClock.Use(options.clockFile, options.emulateDirectory && !options.bRealtime)) {
        PrintMessage(context.err, IDS_CLI_CLOCK_FAILED,
                     Utf8ToUtf16(*options.clockFile + ": " + LastFileErrorText()));
        return kExitNothing;
    }
    m_pBroker = std::make_unique<CBrokerAccess>(
        context.system, options.broker, context.strFallbackBroker, options.updater.bAllProducts);
    IDeviceSystem* pSystem = &m_pBroker->System();
    if (options.emulateDirectory) {
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
        std::u16string strUnknownUnit;
        if (!options.bAll && !AddUnitFaults(*m_pSession, *faults, strUnknownUnit)) {
            PrintMessage(context.err, IDS_CLI_NO_SUCH_FAULT_UNIT, strUnknownUnit);
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
