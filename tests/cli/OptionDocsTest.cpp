// The help, the manual pages and the completion against the parser's own
// tables: an option or command added to the program and left out of its
// documentation, or documented and never accepted, fails here.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "base/CommandLine.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "cli/Completion.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "ui/WindowOptions.h"

namespace rf::test {
namespace {

std::string ReadManualPage(const std::string& strName) {
    std::ifstream file(std::string(REFLASHER_MANUAL_DIR) + "/" + strName + ".scd");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        found.insert((*it)[1].str());
    }
    return found;
}

// "--name" options.
std::set<std::string> LongOptionsIn(const std::string& text) {
    return Matches(text, std::regex(R"((--[a-z][a-z0-9-]*))"));
}

// The updater's "/Keyword" options, by keyword; paths are in lower case.
std::set<std::string> UpdaterOptionsIn(const std::string& text) {
    return Matches(text, std::regex(R"(/([A-Z][A-Za-z]*))"));
}

std::set<std::string> AcceptedLongOptions() {
    std::set<std::string> names;
    for (const CliOptionName& option : CliOptionNames()) {
        names.insert(Utf16ToUtf8(option.name));
    }
    return names;
}

std::set<std::string> AcceptedUpdaterKeywords() {
    std::set<std::string> keywords;
    for (std::string keyword : UpdaterOptionKeywords()) {
        if (keyword.ends_with('=')) {
            keyword.pop_back();
        }
        keywords.insert(keyword);
    }
    return keywords;
}

// "emulator reset", "list"...
std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const CliCommand& command : CliCommands()) {
        std::string name = Utf16ToUtf8(command.pszWord);
        if (command.pszSubcommand != nullptr) {
            name += " " + Utf16ToUtf8(command.pszSubcommand);
        }
        names.push_back(name);
    }
    return names;
}

TEST(OptionDocsTest, TheHelpNamesEveryOptionAndCommandAndNoOtherOption) {
    for (const Language language : {Language::English, Language::Japanese}) {
        const std::string help = Utf16ToUtf8(FindString(IDS_CLI_USAGE, language));
        EXPECT_EQ(LongOptionsIn(help), AcceptedLongOptions()) << help;
        EXPECT_EQ(UpdaterOptionsIn(help), AcceptedUpdaterKeywords()) << help;
        for (const std::string& command : CommandNames()) {
            EXPECT_NE(help.find("  " + command), std::string::npos) << command << " in\n" << help;
        }
    }
}

TEST(OptionDocsTest, TheManualPagesNameEveryOptionAndCommandAndNoOtherOption) {
    const std::string cli = ReadManualPage("reflasher-cli.1");
    ASSERT_FALSE(cli.empty());
    EXPECT_EQ(LongOptionsIn(cli), AcceptedLongOptions());
    EXPECT_EQ(UpdaterOptionsIn(cli), AcceptedUpdaterKeywords());
    for (const std::string& command : CommandNames()) {
        EXPECT_NE(cli.find("*" + command + "*"), std::string::npos) << command;
    }

    const std::string window = ReadManualPage("reflasher.1");
    ASSERT_FALSE(window.empty());
    std::set<std::string> windowKeywords = AcceptedUpdaterKeywords();
    windowKeywords.insert(kWindowEmulateOption);
    windowKeywords.insert(kWindowDeviceOption);
    EXPECT_EQ(UpdaterOptionsIn(window), windowKeywords);
}

std::string Complete(const std::string& strWhat, bool* pKnown = nullptr) {
    emu::CEmulatedDeviceSystem noDrives;
    std::ostringstream out;
    const bool bKnown = PrintCompletions(strWhat, noDrives, out);
    if (pKnown != nullptr) {
        *pKnown = bKnown;
    }
    return out.str();
}

TEST(OptionDocsTest, CompletionOffersTheTablesWords) {
    EXPECT_EQ(Complete("commands"), "list\ninfo\nupdate\nbackup\nemulator\nfirmware\n");
    EXPECT_EQ(Complete("emulator"), "reset\nshow\n");
    EXPECT_EQ(Complete("firmware"), "export\npack\nshow\n");
    // An option whose value is optional is offered both ways; one that
    // needs a value is known to take the next argument.
    const std::string options = Complete("options");
    EXPECT_NE(options.find("--emulate=\n--emulate\n"), std::string::npos) << options;
    EXPECT_NE(Complete("value-options").find("--preset\n"), std::string::npos);
    EXPECT_EQ(Complete("value-options").find("--emulate\n"), std::string::npos);
    EXPECT_NE(Complete("updater-options").find("-UIRSC=\n"), std::string::npos);
    EXPECT_NE(Complete("updater-slash-options").find("/UIRSC=\n"), std::string::npos);
    // Chip names hold spaces: one a line.
    EXPECT_NE(Complete("flash-chips").find("SST SST39VF020\n"), std::string::npos);
    EXPECT_NE(Complete("spi-chips").find("WINBOND W25X40A\n"), std::string::npos);
    EXPECT_NE(Complete("presets").find("rom-mode\n"), std::string::npos);
    EXPECT_NE(Complete("links").find("usb2-slow\n"), std::string::npos);
    EXPECT_NE(Complete("faults").find("power-cut:\n"), std::string::npos);

    bool bKnown = true;
    EXPECT_EQ(Complete("list", &bKnown), "");
    EXPECT_FALSE(bKnown) << "a command without sub-commands is no list";
    EXPECT_EQ(Complete("nonsense", &bKnown), "");
    EXPECT_FALSE(bKnown);
}

}  // namespace
}  // namespace rf::test
