#include "cli/CommandUsage.h"

#include <ostream>
#include <sstream>
#include <string>

#include "base/Text.h"
#include "cli/ArgumentCheck.h"
#include "cli/Commands.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// The option a line of the usage describes: "  --emulate[=DIR]   ..." is
// --emulate; empty for a line that describes no option.
std::u16string OptionOfLine(const std::u16string& line) {
    if (!line.starts_with(u"  --")) {
        return {};
    }
    const std::size_t nEnd = line.find_first_of(u" [=,", 2);
    return line.substr(2, nEnd - 2);
}

bool IsContinuation(const std::u16string& line) {
    return line.starts_with(u"          ");
}

}  // namespace

void PrintCommandUsage(const CliCommand& command, std::ostream& out) {
    std::u16string name = command.pszWord;
    if (command.pszSubcommand != nullptr) {
        name += std::u16string(u" ") + command.pszSubcommand;
    }
    std::u16string text =
        LoadResString(IDS_CLI_COMMAND_USAGE) + CommandSynopsis(command) + u" [OPTIONS]\n\n";
    std::vector<std::u16string> lines;
    const std::u16string usage = LoadResString(IDS_CLI_USAGE);
    for (std::size_t nStart = 0; nStart <= usage.size();) {
        const std::size_t nEnd = std::min(usage.find(u'\n', nStart), usage.size());
        lines.push_back(usage.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    for (const std::u16string& line : lines) {
        if (line.starts_with(u"  " + name + u" ") || line == u"  " + name) {
            text += line + u"\n";
        }
    }
    text += u"\n" + LoadResString(IDS_CLI_COMMAND_OPTIONS) + u"\n";
    bool bTaken = false;
    for (const std::u16string& line : lines) {
        const std::u16string option = OptionOfLine(line);
        if (!option.empty()) {
            bTaken = CommandTakes(command, option.c_str());
        } else if (!IsContinuation(line)) {
            bTaken = false;
        }
        if (bTaken) {
            text += line + u"\n";
        }
    }
    out << Utf16ToUtf8(text);
}

}  // namespace rf
