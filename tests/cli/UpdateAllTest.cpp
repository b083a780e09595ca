// "update --all": the parent in-process, its workers the real program.

#include <gtest/gtest.h>

#include "app/StringTable.h"
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

}  // namespace
}  // namespace rf::test
