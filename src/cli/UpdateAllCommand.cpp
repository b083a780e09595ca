// "update --all": the units searched for and read (never written to) by
// the parent, then one worker per unit, all at once.

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "base/Clock.h"
#include "base/Text.h"
#include "batch/WorkerProcess.h"
#include "cli/CliApp.h"
#include "cli/Commands.h"
#include "cli/UpdateAll.h"
#include "device/FindDevice.h"
#include "device/ScsiDevice.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/UnitChoice.h"

namespace rf {

namespace {

constexpr DWORD kSearchPeriodMilliseconds = 1000;

// Every supported enclosure attached now, with its serial number. Only
// identification and a read of SEEPROM(CPU) reach each drive.
std::vector<BatchUnit> EveryUnit(IDeviceSystem& system, bool bAllProducts) {
    std::vector<BatchUnit> units;
    for (const PhysicalDrive& drive : system.ListPhysicalDrives()) {
        if (!MayBeSupported(drive, bAllProducts)) {
            continue;
        }
        CScsiDevice device(system);
        device.m_bAllProducts = bAllProducts;
        device.m_strPath = drive.strPath;
        if (!device.Open(device.m_strPath.c_str())) {
            continue;
        }
        units.push_back({drive.strName, ReadSerialNumber(device)});
        device.Close();
    }
    return units;
}

// Searched for as one update searches: once a second, for a bounded time,
// until there is at least one.
std::vector<BatchUnit> SearchUnits(IDeviceSystem& system, bool bAllProducts) {
    const std::uint64_t nStart = GetTickCount64();
    std::vector<BatchUnit> units = EveryUnit(system, bAllProducts);
    while (units.empty() && GetTickCount64() - nStart < kSearchMilliseconds) {
        Sleep(kSearchPeriodMilliseconds);
        units = EveryUnit(system, bAllProducts);
    }
    return units;
}

// A file name from a serial number, which comes from the unit and may hold
// anything.
std::u16string SafeFileName(const std::u16string& text) {
    std::u16string name;
    for (const char16_t c : text) {
        const bool bSafe = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'a' && c <= u'z') || c == u'-' || c == u'_' || c == u'.';
        name.push_back(bSafe ? c : u'_');
    }
    return name.find_first_not_of(u"._") == std::u16string::npos ? std::u16string() : name;
}

// Each unit's trace file in the directory, named after its serial number;
// a unit without one, or whose serial another unit has too, by its place.
std::vector<std::filesystem::path> TraceFiles(const std::filesystem::path& directory,
                                              const std::vector<BatchUnit>& units) {
    std::vector<std::filesystem::path> files;
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::u16string name = SafeFileName(units[i].strSerial);
        const std::u16string place = Utf8ToUtf16(std::to_string(i + 1));
        if (name.empty()) {
            name = u"unit-" + place;
        } else if (std::find(names.begin(), names.end(), name) != names.end()) {
            name += u"-" + place;
        }
        names.push_back(name);
        files.push_back(directory / std::filesystem::path(name + u".trace"));
    }
    return files;
}

// What the worker of one unit runs: the update of that unit alone, with
// every option of the parent that an update takes.
std::vector<std::u16string> WorkerArgs(const CliOptions& options, const BatchUnit& unit) {
    std::vector<std::u16string> args{u"update", u"--device", unit.strDrive, u"--json"};
    if (options.emulateDirectory) {
        args.push_back(u"--emulate=" + Utf8ToUtf16(*options.emulateDirectory));
    }
    for (const std::string& strFault : options.faults) {
        args.push_back(u"--emulate-fault=" + Utf8ToUtf16(strFault));
    }
    if (options.bRealtime) {
        args.push_back(u"--realtime");
    }
    if (options.clockFile) {
        args.push_back(u"--clock=" + Utf8ToUtf16(*options.clockFile));
    }
    if (options.broker) {
        args.push_back(u"--broker=" + Utf8ToUtf16(*options.broker));
    }
    if (options.bYes) {
        args.push_back(u"--yes");
    }
    if (options.firmware) {
        args.push_back(u"--firmware=" + Utf8ToUtf16(*options.firmware));
    }
    for (const auto& [strKind, path] : options.loads) {
        args.push_back(u"--load=" + Utf8ToUtf16(strKind) + u"=" + path);
    }
    // The updater's own options ("/IgnoreLockDrivesError"...), which hold
    // /EnableVendorMode for --vendor; the package is passed above.
    const std::u16string packageArg =
        options.firmware ? u"/Firmware=" + Utf8ToUtf16(*options.firmware) : std::u16string();
    for (const std::u16string& arg : options.updaterArgs) {
        if (!arg.empty() && (arg[0] == u'/' || arg[0] == u'-') && arg != packageArg) {
            args.push_back(arg);
        }
    }
    return args;
}

void PrintLine(std::ostream& stream, const std::u16string& text) {
    stream << Utf16ToUtf8(text) << '\n';
}

}  // namespace

int RunUpdateAll(IDeviceSystem& system, const CliOptions& options, CommandStreams& streams,
                 const CliContext& context, const std::function<bool()>& beforeWorkers) {
    const std::filesystem::path program =
        context.selfProgram.empty() ? OwnExecutablePath() : context.selfProgram;
    const std::vector<BatchUnit> units = SearchUnits(system, options.updater.bAllProducts);
    // From here on the workers alone work on the units.
    if (!beforeWorkers()) {
        return kExitFailure;
    }
    if (units.empty()) {
        PrintLine(streams.err, LoadResString(IDS_CLI_NO_DEVICE));
        ReportDrivesWithoutAccess(system, options.updater.bAllProducts, streams.err);
        if (options.bJson) {
            streams.out << FormatUnitsJson({}, {}) << '\n';
        }
        return kExitNothing;
    }
    if (program.empty()) {
        PrintLine(streams.err, LoadResString(IDS_BATCH_NO_PROGRAM));
        return kExitNothing;
    }
    std::vector<WorkerJob> jobs;
    for (const BatchUnit& unit : units) {
        jobs.push_back({WorkerArgs(options, unit)});
    }
    if (options.traceFile) {
        const std::filesystem::path directory(*options.traceFile);
        std::error_code error;
        std::filesystem::create_directories(directory, error);
        if (!std::filesystem::is_directory(directory, error)) {
            PrintLine(streams.err, LoadResString(IDS_CLI_TRACE_FAILED) + *options.traceFile);
            return kExitNothing;
        }
        const std::vector<std::filesystem::path> files = TraceFiles(directory, units);
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            jobs[i].args.push_back(u"--trace=" + files[i].u16string());
        }
    }

    PrintLine(streams.log,
              LoadResString(IDS_BATCH_UNITS_FOUND) + Utf8ToUtf16(std::to_string(units.size())));
    CUpdateAllView view(streams.log, context.bTerminalOutput && !options.bJson, units);
    const std::vector<WorkerState> states =
        RunWorkers(program, jobs, {{kWorkerProgressVariable, "1"}}, WorkerLimits{}, view);
    view.Finish();
    if (options.bJson) {
        streams.out << FormatUnitsJson(units, states) << '\n';
    } else {
        streams.out << '\n' << Utf16ToUtf8(FormatSummary(units, states));
    }
    return BatchExitStatus(states);
}

}  // namespace rf
