#include "cli/CliApp.h"

#include <memory>
#include <optional>
#include <ostream>

#include "app/Clock.h"
#include "app/Messages.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/EmulatedSession.h"
#include "cli/ListCommand.h"
#include "cli/TerminalMessageBoxes.h"

namespace rf {

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintLine(std::ostream& stream, const std::u16string& text) {
    stream << Utf16ToUtf8(text) << '\n';
}

// What the command line asks of this front end.
struct CliOptions {
    bool bVersion = false;
    bool bHelp = false;
    std::optional<std::string> emulateDirectory;  // set with --emulate
    std::u16string command;
    std::vector<std::u16string> updaterArgs;  // for the updater's own option parser
};

// "--name" options belong to this front end; everything else goes to the
// updater's own option parser, as on the window's command line. Returns the
// offending argument on an error.
std::optional<std::u16string> ParseCliOptions(const std::vector<std::u16string>& args,
                                              CliOptions& options) {
    for (const std::u16string& arg : args) {
        if (!arg.starts_with(u"--")) {
            if (options.command.empty() && !arg.empty() && arg[0] != u'/' && arg[0] != u'-') {
                options.command = arg;
            }
            options.updaterArgs.push_back(arg);
            continue;
        }
        if (arg == u"--version") {
            options.bVersion = true;
        } else if (arg == u"--help") {
            options.bHelp = true;
        } else if (arg == u"--emulate") {
            options.emulateDirectory = DefaultEmulatorDirectory();
        } else if (arg.starts_with(u"--emulate=")) {
            options.emulateDirectory = Utf16ToUtf8(arg.substr(10));
            if (options.emulateDirectory->empty()) {
                return arg;
            }
        } else {
            return arg;
        }
    }
    return std::nullopt;
}

}  // namespace

int RunCli(const std::vector<std::u16string>& args, CliContext& context) {
    SetCurrentLanguage(DetectLanguageFromEnvironment());
    CTerminalMessageBoxes messageBoxes(context.out, context.err, context.in, context.bInteractive);
    CScopedMessageBoxes scopedMessageBoxes(messageBoxes);

    CliOptions options;
    if (const std::optional<std::u16string> bad = ParseCliOptions(args, options)) {
        PrintLine(context.err,
                  LoadResString(bad->starts_with(u"--emulate=") ? IDS_CLI_OPTION_NEEDS_VALUE
                                                                : IDS_CLI_UNKNOWN_OPTION) +
                      *bad);
        PrintLine(context.err, LoadResString(IDS_CLI_USAGE));
        return kExitUsage;
    }

    std::u16string title;
    if (!StartApplication(options.updaterArgs, title)) {
        return kExitFailure;
    }
    if (options.bVersion) {
        PrintLine(context.out, title);
        return kExitSuccess;
    }
    if (options.bHelp || options.command.empty()) {
        PrintLine(options.bHelp ? context.out : context.err, LoadResString(IDS_CLI_USAGE));
        return options.bHelp ? kExitSuccess : kExitUsage;
    }
    if (options.command != u"list") {
        PrintLine(context.err, LoadResString(IDS_CLI_UNKNOWN_COMMAND) + options.command);
        PrintLine(context.err, LoadResString(IDS_CLI_USAGE));
        return kExitUsage;
    }

    // The emulated enclosure runs on virtual time: its waits end at once.
    CVirtualClock virtualClock;
    std::optional<CScopedClock> scopedClock;
    std::unique_ptr<CEmulatedSession> session;
    IDeviceSystem* pSystem = &context.system;
    if (options.emulateDirectory) {
        std::string strError;
        session = CEmulatedSession::Open(*options.emulateDirectory, strError);
        if (session == nullptr) {
            PrintLine(context.err, LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strError));
            return kExitFailure;
        }
        scopedClock.emplace(virtualClock);
        pSystem = &session->System();
    }
    return ListDrives(*pSystem, context.out);
}

}  // namespace rf
