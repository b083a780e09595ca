#pragma once

// Runs one worker per unit, all at the same time, and watches them from
// one loop: what each reports as it goes, and how it ended. A worker that
// stops reporting for too long is killed and its unit reported; one that
// dies, or ends without a readable result, is reported as such. No worker
// waits for another.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/WorkerLines.h"

namespace rf {

struct WorkerLimits {
    // The longest silence of a working worker: its longest quiet stage (the
    // device search, the front panel's status waits, a chip erase on the
    // slowest link) takes well under a minute.
    std::chrono::milliseconds silence{std::chrono::minutes(3)};
    // The longest a worker may take in all, however much it reports.
    std::chrono::milliseconds whole{std::chrono::hours(1)};
};

enum class WorkerEnd {
    Running,
    Reported,    // ended with a result line
    NoResult,    // ended (or died) without one
    Silent,      // stopped reporting or overran, and was killed
    NotStarted,  // could not be started
};

struct WorkerState {
    WorkerEnd end = WorkerEnd::Running;
    WorkerProgress progress;
    std::optional<WorkerResult> result;
    int nExitStatus = -1;
    std::chrono::milliseconds duration{0};
    std::vector<std::string> textLines;  // its last few lines of plain text
};

class IWorkerObserver {
public:
    virtual void OnWorkerChanged(std::size_t nWorker, const WorkerState& state) = 0;
    // After every look at the workers, at least a few times a second.
    virtual void OnIdle() = 0;

protected:
    ~IWorkerObserver() = default;
};

struct WorkerJob {
    std::vector<std::u16string> args;
};

// Returns when every worker has ended (or was killed), with how each ended.
std::vector<WorkerState> RunWorkers(
    const std::filesystem::path& program, const std::vector<WorkerJob>& jobs,
    const std::vector<std::pair<std::string, std::string>>& environment, const WorkerLimits& limits,
    IWorkerObserver& observer);

}  // namespace rf
