// "update --all": the units searched for and read (never written to) by
// the parent, then one worker per unit, all at once.

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "base/Clock.h"
#include "base/FilePath.h"
#include "base/Text.h"
#include "batch/WorkerProcess.h"
#include "cli/CliApp.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
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

// The updater's "/Firmware=" goes to the workers as the --firmware given.
bool IsPackageArgument(const std::u16string& arg) {
    return arg.size() > 10 && EqualsNoCase(Utf16ToUtf8(arg.substr(1, 9)), "Firmware=");
}

}  // namespace

std::vector<std::u16string> WorkerArgs(const CliOptions& options, const std::u16string& drive) {
    std::vector<std::u16string> args{u"update", u"--device", drive, u"--json"};
    const std::vector<CliOptionName> table = CliOptionNames();
    for (const GivenOption& option : options.given) {
        const auto it = std::find_if(table.begin(), table.end(), [&option](const auto& entry) {
            return entry.name == option.name;
        });
        if (it != table.end() && it->withAll == WithAll::Forward) {
            args.push_back(option.value ? option.name + u"=" + *option.value : option.name);
        }
    }
    // The updater's own options ("/IgnoreLockDrivesError"...).
    for (const std::u16string& arg : options.updaterArgs) {
        if (!arg.empty() && (arg[0] == u'/' || arg[0] == u'-') && !IsPackageArgument(arg)) {
            args.push_back(arg);
        }
    }
    return args;
}

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
            CJson json = UnitsJson({}, {});
            json["result"] = ResultWord(kExitNothing, 0);
            SetMessage(json, IDS_CLI_NO_DEVICE, LoadResString(IDS_CLI_NO_DEVICE));
            PrintDocument(streams, json);
        }
        return kExitNothing;
    }
    if (program.empty()) {
        PrintLine(streams.err, LoadResString(IDS_BATCH_NO_PROGRAM));
        return kExitNothing;
    }
    std::vector<WorkerJob> jobs;
    for (const BatchUnit& unit : units) {
        jobs.push_back({WorkerArgs(options, unit.strDrive)});
    }
    if (options.traceFile) {
        const std::filesystem::path directory(*options.traceFile);
        std::error_code error;
        if (std::filesystem::exists(directory, error) &&
            !std::filesystem::is_directory(directory, error)) {
            error = std::make_error_code(std::errc::not_a_directory);
        } else {
            std::filesystem::create_directories(directory, error);
        }
        if (error || !std::filesystem::is_directory(directory, error)) {
            PrintLine(streams.err,
                      LoadResString(IDS_CLI_TRACE_DIRECTORY_FAILED) + *options.traceFile + u": " +
                          Utf8ToUtf16(error ? SystemErrorText(error) : LastFileErrorText()));
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
        PrintDocument(streams, UnitsJson(units, states));
    } else {
        streams.out << '\n' << Utf16ToUtf8(FormatSummary(units, states));
    }
    return BatchExitStatus(states);
}

}  // namespace rf
