#include "cli/ArgumentCheck.h"

#include <algorithm>

#include "base/CommandLine.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// Taken by every command: they are read before any command runs.
constexpr const char16_t* kEveryCommandOptions[] = {u"--help", u"--version", u"--complete"};
// Taken by every command that works on drives: which drives, how the run
// on them is watched, and the answer to any question it asks.
constexpr const char16_t* kDriveOptions[] = {u"--emulate",  u"--emulate-fault", u"--broker",
                                             u"--realtime", u"--clock",         u"--trace",
                                             u"--stats",    u"--vendor",        u"--yes"};

// The updater's options whose meaning the terminal has no use for, each
// with the reason it gives.
struct UpdaterRefusal {
    const char* pszKeyword;  // "=" at the end for a NAME=value option
    UINT nMessage;
};
constexpr UpdaterRefusal kUpdaterRefusals[] = {
    {"AutoUpdate", IDS_CLI_AUTOUPDATE_IN_TERMINAL},
    {"ROM=", IDS_CLI_IMAGE_OPTION_IGNORED},
    {"HOST=", IDS_CLI_IMAGE_OPTION_IGNORED},
    {"UIROM=", IDS_CLI_IMAGE_OPTION_IGNORED},
};

bool Contains(std::span<const char16_t* const> names, const std::u16string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&name](const char16_t* pszName) { return name == pszName; });
}

// The keyword of an updater option as the updater matches it: a plain one
// whole, a NAME=value one by its name and "=".
std::string KeywordOf(const std::u16string& arg) {
    const std::string text = Utf16ToUtf8(arg.substr(1));
    const std::size_t nEquals = text.find('=');
    return nEquals == std::string::npos ? text : text.substr(0, nEquals + 1);
}

std::vector<std::u16string> OperandNames(const CliCommand& command) {
    std::vector<std::u16string> names;
    std::u16string name;
    for (const char16_t* p = command.pszOperands;; ++p) {
        if (*p == u' ' || *p == u'\0') {
            if (!name.empty()) {
                names.push_back(name);
            }
            name.clear();
            if (*p == u'\0') {
                break;
            }
        } else {
            name.push_back(*p);
        }
    }
    return names;
}

}  // namespace

bool CommandTakes(const CliCommand& command, const std::u16string& option) {
    return Contains(kEveryCommandOptions, option) ||
           (command.bDrives && Contains(kDriveOptions, option)) || TakesOption(command, option);
}

std::optional<ArgumentProblem> CheckUpdaterArguments(const CliOptions& options) {
    const std::vector<std::string> keywords = UpdaterOptionKeywords();
    for (const std::u16string& arg : options.updaterArgs) {
        if (arg.empty() || (arg[0] != u'/' && arg[0] != u'-')) {
            continue;  // a word: the command and its operands are checked apart
        }
        const std::string keyword = KeywordOf(arg);
        for (const UpdaterRefusal& refusal : kUpdaterRefusals) {
            if (EqualsNoCase(keyword, refusal.pszKeyword)) {
                return ArgumentProblem{refusal.nMessage, arg};
            }
        }
        const bool bKnown = std::any_of(
            keywords.begin(), keywords.end(),
            [&keyword](const std::string& known) { return EqualsNoCase(keyword, known); });
        if (!bKnown) {
            return ArgumentProblem{IDS_CLI_UNKNOWN_OPTION, arg};
        }
    }
    return std::nullopt;
}

std::optional<ArgumentProblem> CheckArguments(const CliOptions& options, const CliCommand& command,
                                              const std::vector<std::u16string>& args) {
    for (const GivenOption& option : options.given) {
        if (!CommandTakes(command, option.name)) {
            return ArgumentProblem{IDS_CLI_OPTION_NOT_TAKEN, option.name};
        }
    }

    const std::vector<std::u16string> names = OperandNames(command);
    const std::size_t nRequired = static_cast<std::size_t>(std::count_if(
        names.begin(), names.end(), [](const std::u16string& name) { return name[0] != u'['; }));
    const std::size_t nCommandWords = command.pszSubcommand != nullptr ? 2 : 1;
    const std::size_t nOperands = options.words.size() - nCommandWords;
    if (nOperands < nRequired) {
        return ArgumentProblem{IDS_CLI_MISSING_OPERAND, names[nOperands]};
    }
    if (nOperands > names.size()) {
        const std::u16string& extra = options.words[nCommandWords + names.size()];
        // "--emulate DIR": the directory was meant, and only "=" gives it.
        const auto it = std::find(args.begin(), args.end(), extra);
        if (it != args.begin() && it != args.end() && *(it - 1) == u"--emulate") {
            return ArgumentProblem{IDS_CLI_EMULATE_NEEDS_EQUALS, u"--emulate " + extra};
        }
        return ArgumentProblem{IDS_CLI_OPERAND_NOT_TAKEN, extra};
    }

    if (!options.faults.empty() && !options.emulateDirectory) {
        return ArgumentProblem{IDS_CLI_FAULT_NEEDS_EMULATE, u"--emulate-fault"};
    }
    if (options.bAll) {
        const std::vector<CliOptionName> table = CliOptionNames();
        for (const GivenOption& option : options.given) {
            const auto it = std::find_if(table.begin(), table.end(), [&option](const auto& entry) {
                return entry.name == option.name;
            });
            if (it != table.end() && it->withAll == WithAll::Refuse) {
                return ArgumentProblem{IDS_CLI_NOT_WITH_ALL, option.name};
            }
        }
    }
    if (options.link && !options.bPlan && command.pszWord == std::u16string(u"update")) {
        return ArgumentProblem{IDS_CLI_LINK_NEEDS_PLAN, u"--link"};
    }
    return CheckUpdaterArguments(options);
}

}  // namespace rf
