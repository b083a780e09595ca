// "update --all": the parent in-process, its workers the real program.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "base/Text.h"
#include "cli/UpdateAll.h"
#include "support/CliFixture.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

class UpdateAllTest : public CCliFixture {
protected:
    CliRun RunAll(std::vector<std::u16string> args) {
        args.insert(args.begin(), {u"update", u"--all"});
        return Run(args, REFLASHER_CLI_PATH);
    }
};

TEST_F(UpdateAllTest, WithoutAnyUnitNothingIsDone) {
    const CliRun run = RunAll({u"--json"});
    EXPECT_EQ(run.nExit, 2);
    EXPECT_EQ(run.strOut,
              "{\"result\":\"nothing\",\"message_id\":2012,\"message\":\"No supported "
              "enclosure was found.\",\"units\":[]}\n");
    EXPECT_NE(run.strErr.find("No supported enclosure was found."), std::string::npos);

    const CliRun info = Run({u"info", u"--all"});
    EXPECT_EQ(info.nExit, 2);
    EXPECT_EQ(info.strErr,
              "info: this command does not take the option --all (see: reflasher-cli help info)\n");
}

WorkerState Reported(const char* pszResult, UINT nMessageId) {
    WorkerState state;
    state.end = WorkerEnd::Reported;
    state.result = WorkerResult{pszResult, nMessageId};
    return state;
}

// Only a whole, consistent result counts as an update done; anything else
// a worker leaves is a failure, never a success.
TEST_F(UpdateAllTest, OnlyACompletedUpdateCountsAsDone) {
    EXPECT_EQ(BatchExitStatus({Reported("success", IDS_UPDATE_COMPLETE),
                               Reported("success", IDS_UPDATE_COMPLETE_POWER_CYCLE)}),
              0);
    EXPECT_EQ(OutcomeOf(Reported("success", IDS_ERR_WRITE_EEPROM)).kind,
              UnitOutcome::Kind::Failure);
    EXPECT_EQ(OutcomeOf(Reported("nothing", IDS_UPDATE_COMPLETE)).kind, UnitOutcome::Kind::Failure);
    EXPECT_EQ(OutcomeOf(Reported("success!", IDS_UPDATE_COMPLETE)).kind,
              UnitOutcome::Kind::Failure);
    WorkerState silent;
    silent.end = WorkerEnd::Silent;
    EXPECT_EQ(OutcomeOf(silent).nMessageId, IDS_BATCH_WORKER_SILENT);
    // Up to date and declined: nothing done, not a failure.
    EXPECT_EQ(BatchExitStatus({Reported("success", IDS_UPDATE_COMPLETE), Reported("nothing", 0)}),
              2);
    EXPECT_EQ(BatchExitStatus({Reported("nothing", 0), silent}), 1);
    EXPECT_EQ(BatchExitStatus({}), 2);
}

struct UnitLine {
    std::string strDevice;
    std::string strSerial;
    std::string strResult;
};

// The units of "update --all --json", in order.
std::vector<UnitLine> UnitsOf(const std::string& strJson) {
    static const std::regex unit(
        R"re(\{"drive":"([^"]*)","serial":"([^"]*)","result":"([^"]*)")re");
    std::vector<UnitLine> units;
    for (auto it = std::sregex_iterator(strJson.begin(), strJson.end(), unit);
         it != std::sregex_iterator(); ++it) {
        units.push_back({(*it)[1].str(), (*it)[2].str(), (*it)[3].str()});
    }
    return units;
}

// Four units at once: the second made to fail as its SEEPROM(Host) is
// written, the third losing its power half-way. The others end updated and
// current; the two are reported, each unit's trace is its own, and a second
// --all repairs the unit that lost its power.
TEST_F(UpdateAllTest, AUnitThatFailsHarmsNoOther) {
    const std::u16string emulate = Utf8ToUtf16("--emulate=" + files.Root() + "/row");
    ASSERT_EQ(Run({u"emulator", u"reset", emulate, u"--units", u"4"}).nExit, 0);
    const std::string strInfo = Run({u"info", emulate, u"--json"}).strOut;
    static const std::regex serial(R"re("serial":"([^"]*)")re");
    std::vector<UnitLine> units;
    for (auto it = std::sregex_iterator(strInfo.begin(), strInfo.end(), serial);
         it != std::sregex_iterator(); ++it) {
        units.push_back({"", (*it)[1].str(), ""});
    }
    ASSERT_EQ(units.size(), 4u) << strInfo;

    const std::string strTraces = files.Root() + "/traces";
    const CliRun first =
        RunAll({emulate, u"--json", u"--trace", Utf8ToUtf16(strTraces),
                Utf8ToUtf16("--emulate-fault=" + units[1].strSerial + ":fail:40"),
                Utf8ToUtf16("--emulate-fault=" + units[2].strSerial + ":power-cut:7000")});
    EXPECT_EQ(first.nExit, 1) << first.strErr;
    const std::vector<UnitLine> results = UnitsOf(first.strOut);
    ASSERT_EQ(results.size(), 4u) << first.strOut;
    const char* const expected[] = {"success", "failure", "failure", "success"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(results[i].strSerial, units[i].strSerial);
        units[i].strDevice = results[i].strDevice;
        EXPECT_EQ(results[i].strResult, expected[i]) << first.strOut;
        EXPECT_GT(std::filesystem::file_size(strTraces + "/" + units[i].strSerial + ".trace"), 0u);
    }
    EXPECT_NE(first.strOut.find("\"message_id\":903"), std::string::npos) << first.strOut;
    for (const std::size_t i : {0u, 3u}) {
        const CliRun info =
            Run({u"info", emulate, u"--json", u"--device", Utf8ToUtf16(units[i].strDevice)});
        EXPECT_EQ(info.strOut.find("\"update\":true"), std::string::npos) << info.strOut;
    }

    // Up to date and not to be overwritten: nothing done on those two.
    const CliRun second = RunAll({emulate, u"--json"});
    EXPECT_EQ(second.nExit, 2) << second.strOut;
    const std::vector<UnitLine> repaired = UnitsOf(second.strOut);
    ASSERT_EQ(repaired.size(), 4u) << second.strOut;
    EXPECT_EQ(repaired[0].strResult, "nothing");
    EXPECT_EQ(repaired[2].strResult, "success");
    EXPECT_EQ(repaired[3].strResult, "nothing");
}

// A worker's parent may go away while the worker writes; so may whoever
// reads a single update's output. The update goes on to its end.
TEST_F(UpdateAllTest, AnUpdateOutlivesTheReaderOfItsOutput) {
    const std::string strEmulate = "--emulate=" + files.Root() + "/state";
    const std::string strCommand =
        std::string("'") + REFLASHER_CLI_PATH + "' update " + strEmulate + " | true";
    ASSERT_EQ(std::system(strCommand.c_str()), 0);
    const CliRun info = Run({u"info", Utf8ToUtf16(strEmulate)});
    EXPECT_NE(info.strOut.find("Product version of the device: Ver.1.01"), std::string::npos)
        << info.strOut;
}

}  // namespace
}  // namespace rf::test
