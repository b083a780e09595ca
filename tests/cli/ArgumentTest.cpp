// Every argument is used or refused: a misused one ends the run before
// anything is done, with one line that names it, and an update leaves the
// emulated enclosure exactly as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/Text.h"
#include "cli/UpdateAll.h"
#include "session/CliOptions.h"
#include "support/CliFixture.h"

namespace rf::test {
namespace {

class ArgumentTest : public CCliFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(Run({u"emulator", u"reset", emulate, u"--units=3"}).nExit, 0);
    }

    // Every file of the emulated enclosures, by name.
    std::map<std::string, std::string> State() const {
        std::map<std::string, std::string> contents;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(strDirectory)) {
            if (entry.is_regular_file()) {
                std::ifstream file(entry.path(), std::ios::binary);
                std::ostringstream bytes;
                bytes << file.rdbuf();
                contents[entry.path().string()] = bytes.str();
            }
        }
        return contents;
    }

    const std::string strDirectory = files.Root() + "/state";
    const std::u16string directory = Utf8ToUtf16(strDirectory);
    const std::u16string emulate = u"--emulate=" + directory;
};

struct Misuse {
    std::vector<std::u16string> args;  // after the command; --emulate=DIR is added
    std::string strNamed;              // what the one line must name
};

TEST_F(ArgumentTest, AMisusedArgumentIsNamedOnOneLineAndNothingIsDone) {
    const Misuse cases[] = {
        {{u"info", u"fw.cab"}, "fw.cab"},
        {{u"info", u"--preset", u"rom-mode"}, "--preset"},
        {{u"list", u"--units", u"3"}, "--units"},
        {{u"emulator", u"show", u"--device", u"emulated-enclosure-2"}, "--device"},
        {{u"backup"}, "backup: missing DIR"},
        {{u"firmware", u"pack", u"x.cab"}, "firmware pack: missing DIR"},
        {{u"emulator"}, "emulator: missing reset|show"},
        {{u"help", u"flash"}, "Unknown command: flash"},
        {{u"update", u"--all", u"--device", u"emulated-enclosure-1"}, "--device"},
        {{u"update", u"--all", u"--plan"}, "--plan"},
        {{u"update", u"/AutoUpdate"}, "/AutoUpdate"},
        {{u"update", u"-ROM=x.bin"}, "-ROM=x.bin"},
        {{u"update", u"/Frobnicate"}, "/Frobnicate"},
        {{u"update", u"--link", u"usb11"}, "--link"},
        {{u"update", u"--vendor", u"--load", u"host.bin"}, "--load host.bin"},
        {{u"update", u"stray"}, "stray"},
        {{u"update", u"--emulate", u"state"}, "--emulate state"},
    };
    const auto before = State();
    for (const Misuse& misuse : cases) {
        std::vector<std::u16string> args = misuse.args;
        if (args[0] != u"firmware") {
            args.push_back(emulate);
        }
        const CliRun run = Run(args);
        const std::string strCase = Utf16ToUtf8(args[0]) + " ... " + misuse.strNamed;
        EXPECT_EQ(run.nExit, 2) << strCase << "\n" << run.strOut << run.strErr;
        EXPECT_EQ(std::count(run.strErr.begin(), run.strErr.end(), '\n'), 1)
            << strCase << run.strErr;
        EXPECT_NE(run.strErr.find(misuse.strNamed), std::string::npos) << strCase << run.strErr;
        EXPECT_NE(run.strErr.find("(see: reflasher-cli "), std::string::npos)
            << "points to the help: " << strCase << run.strErr;
    }
    EXPECT_EQ(State(), before);
}

TEST_F(ArgumentTest, ArgumentsThatAreNoneOfTheCommandsAreRefusedToo) {
    // A path after --emulate with a space; a fault without an emulated
    // enclosure to inject it into.
    const CliRun space = Run({u"info", u"--emulate", directory});
    EXPECT_EQ(space.nExit, 2);
    EXPECT_NE(space.strErr.find("--emulate=DIR: --emulate " + strDirectory), std::string::npos)
        << space.strErr;
    const CliRun fault = Run({u"list", u"--emulate-fault", u"fail:3"});
    EXPECT_EQ(fault.nExit, 2);
    EXPECT_NE(fault.strErr.find("--emulate-fault"), std::string::npos) << fault.strErr;
    // With --json the error is also the output, for the script that reads it.
    const CliRun json = Run({u"info", emulate, u"--json", u"--units=2"});
    EXPECT_EQ(json.nExit, 2);
    EXPECT_NE(json.strOut.find(R"({"error":{"message_id":2601,)"), std::string::npos)
        << json.strOut;
}

TEST_F(ArgumentTest, TheWindowsFirmwareOptionIsTheTerminalsToo) {
    const std::string strBroken = files.Root() + "/broken.cab";
    std::ofstream(strBroken) << "not a cabinet";
    const auto before = State();
    for (const std::u16string& option :
         {u"/Firmware=" + Utf8ToUtf16(strBroken), u"--firmware=" + Utf8ToUtf16(strBroken)}) {
        const CliRun run = Run({u"update", emulate, option});
        EXPECT_EQ(run.nExit, 2) << Utf16ToUtf8(option) << run.strOut;
        EXPECT_NE(run.strErr.find(strBroken), std::string::npos) << run.strErr;
    }
    EXPECT_EQ(State(), before);
}

TEST_F(ArgumentTest, ErrorsNameTheRealProblem) {
    const CliRun chip = Run({u"emulator", u"reset", emulate, u"--flash-chip", u"nope"});
    EXPECT_EQ(chip.nExit, 2);
    EXPECT_NE(chip.strErr.find("No parallel FLASH chip has this name: nope\n"), std::string::npos);
    EXPECT_NE(chip.strErr.find("SST SST39VF020"), std::string::npos) << chip.strErr;
    EXPECT_EQ(chip.strErr.find("rom-mode"), std::string::npos) << "no presets: " << chip.strErr;

    const CliRun load =
        Run({u"info", emulate, u"--vendor", u"--load=host=" + directory + u"/x.bin"});
    EXPECT_EQ(load.nExit, 2);
    EXPECT_NE(load.strErr.find("x.bin: No such file or directory"), std::string::npos)
        << load.strErr;

    const std::string strFile = files.Root() + "/a-file";
    std::ofstream(strFile) << "x";
    const CliRun backup = Run({u"backup", Utf8ToUtf16(strFile), emulate});
    EXPECT_EQ(backup.nExit, 2);
    EXPECT_EQ(backup.strErr, "This path is not a directory: " + strFile + "\n");

    const CliRun trace = Run({u"update", u"--all", emulate, u"--trace", Utf8ToUtf16(strFile)});
    EXPECT_EQ(trace.nExit, 2);
    EXPECT_NE(trace.strErr.find("--trace names a directory"), std::string::npos) << trace.strErr;
    EXPECT_NE(trace.strErr.find(strFile + ": Not a directory"), std::string::npos) << trace.strErr;
}

// --device names a unit by drive or serial number for every command; a
// rehearsal runs on the unit's twin, which has a drive name of its own.
TEST_F(ArgumentTest, ARehearsalFindsTheUnitByItsDriveName) {
    const auto before = State();
    const CliRun run =
        Run({u"update", u"--rehearse", u"--device", u"emulated-enclosure-3", emulate});
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    EXPECT_EQ(State(), before);
}

TEST_F(ArgumentTest, EachCommandHasItsOwnUsage) {
    const CliRun help = Run({u"help", u"backup"});
    EXPECT_EQ(help.nExit, 0);
    EXPECT_EQ(help.strOut.rfind("Usage: reflasher-cli backup DIR [OPTIONS]\n", 0), 0u)
        << help.strOut;
    EXPECT_NE(help.strOut.find("  --device NAME"), std::string::npos) << help.strOut;
    EXPECT_EQ(help.strOut.find("--preset"), std::string::npos) << help.strOut;
    EXPECT_EQ(Run({u"backup", u"--help"}).strOut, help.strOut);
    EXPECT_NE(Run({u"help", u"emulator", u"reset"}).strOut.find("--flash-chip"), std::string::npos);
}

// The workers of "update --all" are given every option the parent was,
// unless the table says --all refuses it or uses it itself: an option
// added later cannot be lost on the way.
TEST_F(ArgumentTest, EveryOptionReachesTheWorkersOrIsRefusedWithAll) {
    // Those the parent uses: the help, the version and the completion end
    // the run before any update; --json, --stats, --trace and --all are
    // the parent's.
    const std::vector<std::u16string> parents = {u"--version", u"--help",     u"--json", u"--stats",
                                                 u"--trace",   u"--complete", u"--all"};
    for (const CliOptionName& option : CliOptionNames()) {
        const std::u16string value = option.name == u"--load" ? u"=host=v" : u"=v";
        const std::u16string given = option.bTakesValue ? option.name + value : option.name;
        switch (option.withAll) {
            case WithAll::Forward: {
                CliOptions options;
                ASSERT_FALSE(ParseCliOptions({u"update", u"--all", given}, options, "default"));
                const std::vector<std::u16string> args = WorkerArgs(options, u"drive");
                EXPECT_NE(std::find(args.begin(), args.end(), given), args.end())
                    << Utf16ToUtf8(given);
                break;
            }
            case WithAll::Refuse: {
                const CliRun run = Run({u"update", u"--all", emulate, given});
                EXPECT_EQ(run.nExit, 2) << Utf16ToUtf8(given);
                EXPECT_NE(run.strErr.find(Utf16ToUtf8(option.name)), std::string::npos)
                    << run.strErr;
                break;
            }
            case WithAll::Parent:
                EXPECT_NE(std::find(parents.begin(), parents.end(), option.name), parents.end())
                    << Utf16ToUtf8(option.name) << " is neither forwarded nor refused";
                break;
        }
    }
    // The window's spelling of the package goes as the terminal's.
    CliOptions options;
    ASSERT_FALSE(ParseCliOptions({u"update", u"/firmware=p.cab", u"/DisableResetUI"}, options, ""));
    const std::vector<std::u16string> args = WorkerArgs(options, u"drive");
    EXPECT_EQ(std::count(args.begin(), args.end(), u"--firmware=p.cab"), 1);
    EXPECT_EQ(std::count(args.begin(), args.end(), u"/DisableResetUI"), 1);
    EXPECT_EQ(args.size(), 6u);
}

}  // namespace
}  // namespace rf::test
