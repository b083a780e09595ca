// reflasher-tcmu: the emulated enclosure served through the kernel's SCSI
// target as a TCMU backstore, so that the program reaches it through SG_IO,
// the block layer, sysfs and the mount table like a real enclosure.

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/ExitStatus.h"
#include "base/SharedClock.h"
#include "base/Text.h"
#include "emulation/EmulatedRunSetup.h"
#include "emulation/EmulatedSession.h"
#include "emulation/EmulatorReset.h"
#include "emulator/FaultPlan.h"
#include "emulator/tcmu/EnclosureTarget.h"
#include "emulator/tcmu/TcmuServer.h"
#include "emulator/tcmu/UioDevice.h"
#include "tcmu/TcmuOptions.h"
#include "text/StringTable.h"

namespace {

constexpr std::uint64_t kDiskBytes = std::uint64_t{16} << 20;
constexpr char kDiskImage[] = "disk.img";
// How often the stop flag is looked at while no command comes.
constexpr int kWaitMilliseconds = 200;

volatile std::sig_atomic_t g_bStop = 0;

void OnStopSignal(int) {
    g_bStop = 1;
}

void PrintLine(std::ostream& stream, const std::u16string& text) {
    stream << rf::Utf16ToUtf8(text) << std::endl;
}

int Fail(rf::UINT nMessage, const std::string& strWhat) {
    PrintLine(std::cerr, rf::LoadResString(nMessage) + rf::Utf8ToUtf16(strWhat));
    return rf::kExitFailure;
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;  // no SA_RESTART: the wait returns at once
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Makes the enclosure anew as the emulator's reset does, from what this
// program's options say of it.
// Makes the enclosure anew from its preset, as "emulator reset" does.
int ResetEnclosure(const rf::TcmuOptions& options) {
    rf::EmulatorReset reset;
    reset.strDirectory = options.emulateDirectory;
    if (options.preset) {
        reset.strPreset = *options.preset;
    }
    if (options.flashChip) {
        reset.strFlashChip = *options.flashChip;
    }
    if (options.spiChip) {
        reset.strSpiChip = *options.spiChip;
    }
    reset.bAsRealUnit = options.bAsRealUnit;
    const rf::EmulatorResetResult result = rf::ResetEmulatedEnclosures(reset);
    const bool bDone = result.outcome == rf::ResetOutcome::Done;
    (bDone ? std::cout : std::cerr) << rf::Utf16ToUtf8(rf::EmulatorResetText(reset, result));
    return bDone ? rf::kExitSuccess : rf::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace rf;
    SetCurrentLanguage(DetectLanguageFromEnvironment());
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8ToUtf16(argv[i]));
    }
    TcmuOptions options;
    if (const auto error = ParseTcmuOptions(args, options, DefaultEmulatorDirectory())) {
        PrintLine(std::cerr, LoadResString(error->bMissingValue ? IDS_CLI_OPTION_NEEDS_VALUE
                                                                : IDS_CLI_UNKNOWN_OPTION) +
                                 error->argument);
        return kExitNothing;
    }
    if (options.bHelp) {
        PrintLine(std::cout, LoadResString(IDS_TCMU_USAGE));
        return kExitSuccess;
    }
    if (!options.uio) {
        PrintLine(std::cerr, LoadResString(IDS_TCMU_USAGE));
        return kExitNothing;
    }
    std::string strBadFault;
    const std::optional<std::vector<UnitFault>> faults =
        ParseUnitFaults(options.faults, strBadFault);
    if (!faults) {
        PrintLine(std::cerr, LoadResString(IDS_CLI_UNKNOWN_OPTION) + u"--emulate-fault " +
                                 Utf8ToUtf16(strBadFault));
        return kExitNothing;
    }

    // The clock first: the enclosure starts up on it as it is loaded. Without
    // a clock file the enclosure takes its modelled time.
    CRunClock runClock;
    if (!runClock.Use(options.clockFile, false)) {
        return Fail(IDS_CLI_CLOCK_FAILED, *options.clockFile);
    }
    const std::string& strDirectory = options.emulateDirectory;
    if ((options.preset || options.bAsRealUnit) && ResetEnclosure(options) != kExitSuccess) {
        return kExitFailure;
    }
    std::string strError;
    std::unique_ptr<CEmulatedSession> session = CEmulatedSession::Open(strDirectory, strError);
    if (session == nullptr) {
        return Fail(IDS_CLI_EMULATOR_ERROR, strError);
    }
    emu::CEmulatedEnclosure& enclosure = session->Enclosure();
    enclosure.ResetCommandIndex();
    std::u16string strUnknownUnit;
    if (!AddUnitFaults(*session, *faults, strUnknownUnit)) {
        PrintLine(std::cerr, LoadResString(IDS_CLI_NO_SUCH_FAULT_UNIT) + strUnknownUnit);
        return kExitNothing;
    }
    // The trace is kept only to be written: a server runs for long.
    enclosure.EnableTrace(options.traceFile.has_value());
    std::ofstream traceFile;
    if (options.traceFile) {
        traceFile.open(Utf16ToUtf8(*options.traceFile), std::ios::trunc);
        if (!traceFile) {
            return Fail(IDS_CLI_TRACE_FAILED, Utf16ToUtf8(*options.traceFile));
        }
    }
    const std::unique_ptr<emu::CEmulatedDisk> disk = emu::CEmulatedDisk::Open(
        (std::filesystem::path(strDirectory) / kDiskImage).string(), kDiskBytes, strError);
    if (disk == nullptr) {
        return Fail(IDS_CLI_EMULATOR_ERROR, strError);
    }
    const std::string strUio = Utf16ToUtf8(*options.uio);
    const std::unique_ptr<emu::CUioDevice> uio = emu::CUioDevice::Open(strUio, strError);
    if (uio == nullptr) {
        return Fail(IDS_TCMU_DEVICE_FAILED, strError);
    }

    CatchStopSignals();
    emu::CEnclosureTarget target(enclosure, *disk);
    PrintLine(std::cout, LoadResString(IDS_TCMU_SERVING) +
                             Utf8ToUtf16(strDirectory + " (/dev/" + strUio + ")"));
    std::vector<BYTE> buffer;
    while (g_bStop == 0) {
        uio->Wait(kWaitMilliseconds);
        if (emu::AnswerWaitingCommands(uio->Ring(), target, buffer) != 0) {
            uio->Notify();
        }
        for (const emu::TraceEntry& entry : enclosure.Trace()) {
            traceFile << emu::FormatTraceLine(entry) << '\n';
        }
        enclosure.ClearTrace();
    }
    traceFile.flush();
    if (!session->Save(strError)) {
        return Fail(IDS_CLI_EMULATOR_ERROR, strError);
    }
    return kExitSuccess;
}
