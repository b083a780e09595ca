// The terminal front end's start: its arguments parsed and checked against
// the command table, the run set up once, the command's row run.

#include "cli/CliApp.h"

#include <optional>

#include <ostream>

#include "base/CommandLine.h"
#include "base/Json.h"
#include "base/Text.h"
#include "cli/ArgumentCheck.h"
#include "cli/CommandRun.h"
#include "cli/CommandUsage.h"
#include "cli/Commands.h"
#include "cli/Completion.h"
#include "cli/DriveRun.h"
#include "cli/FirmwareCommand.h"
#include "cli/JsonReply.h"
#include "cli/TerminalMessageBoxes.h"
#include "emulation/EmulatedRunSetup.h"
#include "emulation/EmulatedSession.h"
#include "emulation/EmulatedUnits.h"
#include "framework/Messages.h"
#include "framework/Startup.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

std::u16string CommandName(const CliCommand& command) {
    return command.pszSubcommand == nullptr
               ? std::u16string(command.pszWord)
               : std::u16string(command.pszWord) + u" " + command.pszSubcommand;
}

// Every argument the program does not take is told here, on one line
// that names it and where to read more; with --json the same as JSON on
// the output, which is all a script reads.
int ArgumentError(CJsonReply& reply, UINT nMessage, const std::u16string& argument,
                  const std::u16string& command = {}) {
    const std::u16string text = LoadResString(nMessage) + argument;
    std::u16string pointer = LoadResString(IDS_CLI_SEE_HELP);
    const std::size_t nAt = pointer.find(u"%s");
    if (nAt != std::u16string::npos) {
        pointer.replace(
            nAt, 2, command.empty() ? u"reflasher-cli --help" : u"reflasher-cli help " + command);
    }
    PrintLine(reply.Err(), (command.empty() ? u"" : command + u": ") + text + pointer);
    if (reply.IsJson()) {
        CJson error = CJson::object();
        SetMessage(error, nMessage, text);
        reply.Print({{"error", std::move(error)}});
    }
    return kExitNothing;
}

// The words that name no command: a command without its sub-command, or
// with one it does not have, or no command at all.
int UnknownCommand(CJsonReply& reply, const std::vector<std::u16string>& words) {
    std::u16string subcommands;
    for (const CliCommand& command : CliCommands()) {
        if (words[0] == command.pszWord && command.pszSubcommand != nullptr) {
            subcommands +=
                (subcommands.empty() ? u"" : u"|") + std::u16string(command.pszSubcommand);
        }
    }
    if (subcommands.empty()) {
        return ArgumentError(reply, IDS_CLI_UNKNOWN_COMMAND, words[0]);
    }
    if (words.size() == 1) {
        return ArgumentError(reply, IDS_CLI_MISSING_OPERAND, subcommands, words[0]);
    }
    return ArgumentError(reply, IDS_CLI_UNKNOWN_COMMAND, words[0] + u" " + words[1]);
}

// "help" and "help COMMAND [SUB-COMMAND]".
int Help(CJsonReply& reply, const std::vector<std::u16string>& words) {
    if (words.size() == 1) {
        PrintLine(reply.People(), LoadResString(IDS_CLI_USAGE));
        return kExitSuccess;
    }
    const std::vector<std::u16string> asked(words.begin() + 1, words.end());
    const CliCommand* pCommand = FindCommand(asked);
    if (pCommand == nullptr) {
        return UnknownCommand(reply, asked);
    }
    PrintCommandUsage(*pCommand, reply.People());
    return kExitSuccess;
}

// The run once its reply is set up: everything it prints goes through it.
int RunParsed(const std::vector<std::u16string>& args, CliContext& context, CliOptions& options,
              const std::optional<CliOptionError>& error, CJsonReply& reply) {
    if (error) {
        const UINT nMessage = error->nMessage != 0   ? error->nMessage
                              : error->bMissingValue ? IDS_CLI_OPTION_NEEDS_VALUE
                                                     : IDS_CLI_UNKNOWN_OPTION;
        return ArgumentError(reply, nMessage, error->argument);
    }
    if (options.complete) {
        // The units' serial numbers are asked of the drives a command
        // would use, the emulated or the broker's ones too.
        std::optional<CDriveRun> drives;
        IDeviceSystem* pSystem = &context.system;
        if (*options.complete == "devices") {
            if (drives.emplace().Open(options, context) != kExitSuccess) {
                return kExitNothing;
            }
            pSystem = &drives->System();
        }
        if (PrintCompletions(*options.complete, *pSystem, reply.People())) {
            return kExitSuccess;
        }
        return ArgumentError(reply, IDS_CLI_UNKNOWN_OPTION,
                             u"--complete " + Utf8ToUtf16(*options.complete));
    }
    // In JSON mode only the JSON goes to the output.
    std::ostream& log = reply.People();
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
        PrintLine(reply.People(), title);
        PrintLine(reply.People(), CarriedImagesLine());
        return kExitSuccess;
    }
    if (options.words.empty()) {
        if (const auto problem = CheckUpdaterArguments(options); problem && !options.bHelp) {
            return ArgumentError(reply, problem->nMessage, problem->argument);
        }
        PrintLine(options.bHelp ? reply.People() : context.err, LoadResString(IDS_CLI_USAGE));
        return options.bHelp ? kExitSuccess : kExitNothing;
    }
    if (options.words.front() == u"help") {
        return Help(reply, options.words);
    }
    const CliCommand* pCommand = FindCommand(options.words);
    if (pCommand == nullptr) {
        return UnknownCommand(reply, options.words);
    }
    if (options.bHelp) {
        PrintCommandUsage(*pCommand, reply.People());
        return kExitSuccess;
    }
    if (const auto problem = CheckArguments(options, *pCommand, args)) {
        return ArgumentError(reply, problem->nMessage, problem->argument, CommandName(*pCommand));
    }
    // The emulated enclosure is the program's own, never the broker's drives.
    if (options.broker && options.emulateDirectory) {
        return ArgumentError(reply, IDS_CLI_UNKNOWN_OPTION, u"--broker");
    }
    if (!options.loads.empty() && !options.updater.bVendorMode) {
        PrintLine(context.err, LoadResString(IDS_CLI_LOAD_NEEDS_VENDOR));
        return kExitNothing;
    }

    CommandStreams streams{reply.People(), context.err, log, &reply};
    CommandRun run{options, streams, context};
    if (!pCommand->bDrives) {
        return pCommand->pfnRun(run);
    }
    CDriveRun drives;
    if (const int nExit = drives.Open(options, context); nExit != kExitSuccess) {
        return nExit;
    }
    run.pDrives = &drives;
    return drives.Finish(options, streams, pCommand->pfnRun(run));
}

}  // namespace

int RunCli(const std::vector<std::u16string>& args, CliContext& context) {
    SetCurrentLanguage(DetectLanguageFromEnvironment());
    CliOptions options;
    const auto error = ParseCliOptions(args, options, DefaultEmulatorDirectory());
    CJsonReply reply(context.out, context.err, options.bJson);
    // From here on every message on the error stream passes the reply.
    CliContext replying{context.out,         reply.Err(),
                        context.in,          context.bInteractive,
                        context.system,      context.bTerminalOutput,
                        context.selfProgram, context.strFallbackBroker};
    return reply.Finish(RunParsed(args, replying, options, error, reply));
}

}  // namespace rf
