#include "cli/CliApp.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>

#include "base/Clock.h"
#include "base/CommandLine.h"
#include "base/FilePath.h"
#include "base/SharedClock.h"
#include "base/Text.h"
#include "cli/BrokerAccess.h"
#include "cli/CliCommands.h"
#include "cli/Commands.h"
#include "cli/Completion.h"
#include "cli/FirmwareCommand.h"
#include "cli/TerminalMessageBoxes.h"
#include "cli/UpdateAll.h"
#include "device/TracingDeviceSystem.h"
#include "emulator/FaultPlan.h"
#include "framework/Messages.h"
#include "framework/Startup.h"
#include "session/CliOptions.h"
#include "session/EmulatedRunSetup.h"
#include "session/EmulatedSession.h"
#include "session/EmulatedUnits.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

void PrintLine(std::ostream& stream, const std::u16string& text) {
    stream << Utf16ToUtf8(text) << '\n';
}

int Usage(std::ostream& stream, UINT nProblem, const std::u16string& what) {
    PrintLine(stream, LoadResString(nProblem) + what);
    PrintLine(stream, LoadResString(IDS_CLI_USAGE));
    return kExitNothing;
}

// Counts of --stats: what the command cost on the device and on the host.
void PrintStats(std::ostream& stream, const TraceCounters& counters,
                std::uint64_t nDeviceMicroseconds, double dCpuSeconds) {
    stream << Utf16ToUtf8(LoadResString(IDS_CLI_STATS)) << ": commands " << counters.nCommands
           << " (failed " << counters.nFailed << "), bytes in " << counters.nBytesIn
           << ", bytes out " << counters.nBytesOut << ", device time " << nDeviceMicroseconds / 1000
           << " ms, host CPU time " << static_cast<long long>(dCpuSeconds * 1000) << " ms\n";
}

}  // namespace

void PrintLink(std::ostream& stream, const emu::BusProfile& bus) {
    stream << Utf16ToUtf8(LoadResString(IDS_CLI_LINK)) << ": " << bus.pszName << " ("
           << bus.pszDescription << "; " << bus.nCommandMicroseconds << " us a command, "
           << bus.nNanosecondsPerByte << " ns a byte)\n";
}

int RunCli(const std::vector<std::u16string>& args, CliContext& context) {
    SetCurrentLanguage(DetectLanguageFromEnvironment());

    CliOptions options;
    if (const auto error = ParseCliOptions(args, options, DefaultEmulatorDirectory())) {
        return Usage(context.err,
                     error->bMissingValue ? IDS_CLI_OPTION_NEEDS_VALUE : IDS_CLI_UNKNOWN_OPTION,
                     error->argument);
    }
    if (options.complete) {
        if (PrintCompletions(*options.complete, context.system, context.out)) {
            return kExitSuccess;
        }
        return Usage(context.err, IDS_CLI_UNKNOWN_OPTION,
                     u"--complete " + Utf8ToUtf16(*options.complete));
    }
    // In JSON mode only the JSON goes to the output.
    std::ostream& log = options.bJson ? context.err : context.out;
    CTerminalMessageBoxes messageBoxes(log, context.err, context.in, context.bInteractive,
                                       options.bYes);
    CScopedMessageBoxes scopedMessageBoxes(messageBoxes);

    // --vendor is the updater's own option in the terminal's spelling; the
    // options object is written by the parser alone.
    if (options.bVendor) {
        options.updaterArgs.push_back(u"/EnableVendorMode");
    }
    std::u16string title;
    if (!StartApplication(options.updaterArgs, title)) {
        return kExitFailure;
    }
    // The updater's options are read here, once; every command takes them
    // from here on.
    options.updater = UpdateOptionsFrom(theCmdInfo);
    if (options.bVersion) {
        PrintLine(context.out, title);
        PrintLine(context.out, CarriedImagesLine());
        return kExitSuccess;
    }
    const std::u16string command = options.words.empty() ? std::u16string() : options.words.front();
    if (options.bHelp || command.empty()) {
        PrintLine(options.bHelp ? context.out : context.err, LoadResString(IDS_CLI_USAGE));
        return options.bHelp ? kExitSuccess : kExitNothing;
    }
    if (!IsKnownCommand(options.words)) {
        return Usage(context.err, IDS_CLI_UNKNOWN_COMMAND, command);
    }
    // Only an update has a plan.
    if (options.bPlan && command != u"update") {
        return Usage(context.err, IDS_CLI_UNKNOWN_OPTION, u"--plan");
    }
    // The emulated enclosure is the program's own, never the broker's drives.
    if (options.broker && options.emulateDirectory) {
        return Usage(context.err, IDS_CLI_UNKNOWN_OPTION, u"--broker");
    }
    if (options.bAll &&
        (command != u"update" || options.device || options.bPlan || options.bRehearse)) {
        PrintLine(context.err, LoadResString(IDS_BATCH_ALL_NEEDS_UPDATE));
        return kExitNothing;
    }
    if (!options.loads.empty() && !options.updater.bVendorMode) {
        PrintLine(context.err, LoadResString(IDS_CLI_LOAD_NEEDS_VENDOR));
        return kExitNothing;
    }
    std::string strBadFault;
    const std::optional<std::vector<UnitFault>> faults =
        ParseUnitFaults(options.faults, strBadFault);
    if (!faults) {
        return Usage(context.err, IDS_CLI_UNKNOWN_OPTION,
                     u"--emulate-fault " + Utf8ToUtf16(strBadFault));
    }
    if (command == u"emulator") {
        CommandStreams streams{context.out, context.err, log};
        return RunEmulatorCommand(options, streams);
    }
    if (command == u"firmware") {
        CommandStreams streams{context.out, context.err, log};
        return RunFirmwareCommand(options, streams);
    }
    // A package is checked whole before any device is touched.
    if (!CheckFirmwareOption(options, context.err)) {
        return kExitNothing;
    }

    // The emulated enclosure runs on virtual time unless it is to take its
    // modelled time. A clock file gives the virtual time that an enclosure
    // served through the kernel keeps, for real drives as for emulated ones.
    // The clock first: the enclosure starts up on it as it is loaded.
    CRunClock runClock;
    if (!runClock.Use(options.clockFile, options.emulateDirectory && !options.bRealtime)) {
        PrintLine(context.err,
                  LoadResString(IDS_CLI_CLOCK_FAILED) + Utf8ToUtf16(*options.clockFile));
        return kExitNothing;
    }
    std::unique_ptr<CEmulatedSession> session;
    CBrokerAccess brokerAccess(context.system, options.broker, context.strFallbackBroker,
                               options.updater.bAllProducts);
    IDeviceSystem* pSystem = &brokerAccess.System();
    if (options.emulateDirectory) {
        std::string strError;
        session = CEmulatedSession::Open(*options.emulateDirectory, strError);
        if (session == nullptr) {
            PrintLine(context.err, LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError));
            return kExitFailure;
        }
        for (const CEmulatedSession::Unit& unit : session->Units()) {
            unit.pEnclosure->ResetCommandIndex();
        }
        // With --all the faults are the workers': the parent only searches.
        std::u16string strUnknownUnit;
        if (!options.bAll && !AddUnitFaults(*session, *faults, strUnknownUnit)) {
            PrintLine(context.err, LoadResString(IDS_CLI_NO_SUCH_FAULT_UNIT) + strUnknownUnit);
            return kExitNothing;
        }
        pSystem = &session->System();
        // An update must be able to keep what it did to the enclosure.
        options.updater.stateDirectory = PathFromUtf8(*options.emulateDirectory);
    }

    CTracingDeviceSystem tracing(*pSystem);
    std::ofstream traceFile;
    // With --all, --trace names a directory for the workers' traces.
    if (options.traceFile && !options.bAll) {
        // One line ending on every system, so traces compare byte for byte.
        traceFile.open(std::filesystem::path(*options.traceFile),
                       std::ios::binary | std::ios::trunc);
        if (!traceFile) {
            PrintLine(context.err, LoadResString(IDS_CLI_TRACE_FAILED) + *options.traceFile);
            return kExitNothing;
        }
        tracing.SetSink(
            [&traceFile](const TraceEntry& entry) { traceFile << FormatTraceLine(entry) << '\n'; });
    }

    const std::uint64_t nStart = CurrentClock().NowMicroseconds();
    const std::clock_t cpuStart = std::clock();
    CommandStreams streams{context.out, context.err, log};
    int nExit = kExitSuccess;
    // The emulated enclosure's state is saved once; an update saves it
    // before it tells its result.
    bool bStateSaved = false;
    auto saveState = [&session, &context, &bStateSaved]() {
        if (session == nullptr || bStateSaved) {
            return true;
        }
        bStateSaved = true;
        std::string strError;
        if (!session->Save(strError)) {
            PrintLine(context.err, LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError));
            return false;
        }
        return true;
    };
    if (command == u"list") {
        nExit = ListDrives(tracing, options, streams);
    } else {
        CFirmwareUpdate update(tracing, options.updater);
        if (command == u"info") {
            nExit = ShowInfo(update, options, streams);
        } else if (command == u"update" && options.bPlan) {
            nExit = RunPlanCommand(update, options, streams);
        } else if (command == u"update" && options.bRehearse) {
            nExit = RehearseUpdate(update, options, streams, context.bTerminalOutput);
        } else if (command == u"update" && options.bAll) {
            // The workers keep the emulated enclosures once they start: the
            // parent's copy is saved before, and never after them.
            nExit = RunUpdateAll(tracing, options, streams, context, [&session, &context]() {
                std::string strError;
                const bool bSaved = session == nullptr || session->Save(strError);
                session.reset();
                if (!bSaved) {
                    PrintLine(context.err,
                              LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError));
                }
                return bSaved;
            });
        } else if (command == u"update") {
            nExit = RunUpdateCommand(update, options, streams, context.bTerminalOutput, nullptr,
                                     saveState);
        } else {
            nExit = RunBackup(update, options, Utf16ToUtf8(options.words[1]), streams);
        }
    }
    brokerAccess.Report(context.err);
    if (options.bStats) {
        PrintStats(log, tracing.Counters(), CurrentClock().NowMicroseconds() - nStart,
                   static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    }
    if (session != nullptr && (options.bStats || command == u"list" || command == u"info")) {
        PrintLink(log, session->Enclosure().Bus());
    }
    if (!bStateSaved && !saveState()) {
        nExit = kExitFailure;
    }
    return nExit;
}

}  // namespace rf
