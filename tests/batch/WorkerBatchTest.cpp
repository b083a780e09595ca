// The workers of a batch, played by small shell scripts: how the parent
// reads them, and how it ends the ones that misbehave.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "batch/WorkerBatch.h"

namespace rf::test {
namespace {

class CRecordingObserver final : public IWorkerObserver {
public:
    void OnWorkerChanged(std::size_t nWorker, const WorkerState& state) override {
        stages.emplace_back(nWorker, state.progress);
    }
    void OnIdle() override { ++nIdle; }

    std::vector<std::pair<std::size_t, WorkerProgress>> stages;
    int nIdle = 0;
};

WorkerJob Script(const char* pszScript) {
    return WorkerJob{{u"-c", std::u16string(pszScript, pszScript + std::strlen(pszScript))}};
}

// One worker reports and ends well, one prints garbage and dies, one goes
// silent and is killed; the others are not held up by it, and nothing a
// worker prints is taken for a result unless it is one whole.
TEST(WorkerBatchTest, EachWorkerEndsOnItsOwn) {
    const std::vector<WorkerJob> jobs{
        Script("echo '@progress 142 0'; printf '@progress 142 5'; sleep 0.1; echo 0; "
               "echo 'Some message'; echo "
               "'{\"result\":\"success\",\"message_id\":140,\"message\":\"x\"}'"),
        Script("echo '@progress 999999 101'; echo '{\"result\":\"success\",\"message_id\":14'; "
               "printf '\\033[2Jgarbage'; exit 3"),
        Script("echo '@progress 141 10'; exec sleep 30"),
        WorkerJob{{u"-c", u"exit 0"}},
    };
    CRecordingObserver observer;
    WorkerLimits limits;
    limits.silence = std::chrono::milliseconds(500);
    const std::vector<WorkerState> states =
        RunWorkers("/bin/sh", jobs, {{"REFLASHER_TEST_VARIABLE", "1"}}, limits, observer);
    ASSERT_EQ(states.size(), 4u);

    EXPECT_EQ(states[0].end, WorkerEnd::Reported);
    ASSERT_TRUE(states[0].result.has_value());
    EXPECT_EQ(states[0].result->strResult, "success");
    EXPECT_EQ(states[0].result->nMessageId, 140u);
    // A line that came in two pieces is read as one.
    EXPECT_EQ(states[0].progress.nStage, 142u);
    EXPECT_EQ(states[0].progress.nPercent, 50);
    EXPECT_EQ(states[0].textLines, std::vector<std::string>{"Some message"});

    EXPECT_EQ(states[1].end, WorkerEnd::NoResult);
    EXPECT_EQ(states[1].nExitStatus, 3);
    EXPECT_EQ(states[1].progress.nStage, 0u);
    EXPECT_EQ(states[1].textLines.back(), "\x1b[2Jgarbage");

    EXPECT_EQ(states[2].end, WorkerEnd::Silent);
    EXPECT_EQ(states[2].progress.nPercent, 10);

    EXPECT_EQ(states[3].end, WorkerEnd::NoResult);
    EXPECT_EQ(states[3].nExitStatus, 0);
    EXPECT_GT(observer.nIdle, 0);
}

TEST(WorkerBatchTest, AProgramThatCannotStartIsReported) {
    CRecordingObserver observer;
    const std::vector<WorkerState> states = RunWorkers(
        "/nonexistent/reflasher-cli", {WorkerJob{{u"update"}}}, {}, WorkerLimits{}, observer);
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].end, WorkerEnd::NotStarted);
}

// The worker sees the variables it was given, on top of the parent's.
TEST(WorkerBatchTest, TheWorkerGetsItsEnvironment) {
    CRecordingObserver observer;
    const std::vector<WorkerState> states =
        RunWorkers("/bin/sh", {WorkerJob{{u"-c", u"echo \"$REFLASHER_TEST_VARIABLE $PATH\""}}},
                   {{"REFLASHER_TEST_VARIABLE", "set"}}, WorkerLimits{}, observer);
    ASSERT_EQ(states.size(), 1u);
    ASSERT_EQ(states[0].textLines.size(), 1u);
    EXPECT_EQ(states[0].textLines[0], "set " + std::string(std::getenv("PATH")));
}

}  // namespace
}  // namespace rf::test
