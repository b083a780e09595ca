// "update --all": the parent in-process, its workers the real program.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/StringTable.h"
#include "app/Text.h"
#include "cli/UpdateAll.h"
#include "support/CliFixture.h"

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
    EXPECT_EQ(run.strOut, "{\"units\":[]}\n");
    EXPECT_NE(run.strErr.find("No supported enclosure was found."), std::string::npos);

    const CliRun info = Run({u"info", u"--all"});
    EXPECT_EQ(info.nExit, 2);
    EXPECT_EQ(info.strErr, "--all goes with the update command only.\n");
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
