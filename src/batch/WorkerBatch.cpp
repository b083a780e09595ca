#include "batch/WorkerBatch.h"

#include <memory>

#include "batch/WorkerProcess.h"

namespace rf {

namespace {

using Clock = std::chrono::steady_clock;

// How often the loop looks at the workers when none writes.
constexpr unsigned kLookMilliseconds = 100;
// A worker's lines are short; one that writes without end is cut into
// pieces of this size rather than held whole.
constexpr std::size_t kMaxLineLength = 64 * 1024;
constexpr std::size_t kKeptTextLines = 4;

struct Worker {
    std::unique_ptr<CWorkerProcess> pProcess;
    WorkerState state;
    std::string strPending;  // output not yet ended by a line break
    Clock::time_point started;
    Clock::time_point lastHeard;
    bool bOutputOpen = true;
};

// True when the line changed what the observer shows.
bool TakeLine(Worker& worker, std::string line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (const std::optional<WorkerProgress> progress = ParseProgressLine(line)) {
        worker.state.progress = *progress;
        return true;
    }
    if (const std::optional<WorkerResult> result = ParseResultLine(line)) {
        worker.state.result = *result;
        return true;
    }
    if (!line.empty()) {
        worker.state.textLines.push_back(std::move(line));
        if (worker.state.textLines.size() > kKeptTextLines) {
            worker.state.textLines.erase(worker.state.textLines.begin());
        }
    }
    return false;
}

bool TakeLines(Worker& worker, bool bFinal) {
    bool bChanged = false;
    std::size_t nStart = 0;
    for (std::size_t nEnd; (nEnd = worker.strPending.find('\n', nStart)) != std::string::npos;
         nStart = nEnd + 1) {
        bChanged |= TakeLine(worker, worker.strPending.substr(nStart, nEnd - nStart));
    }
    worker.strPending.erase(0, nStart);
    if (bFinal || worker.strPending.size() > kMaxLineLength) {
        bChanged |= TakeLine(worker, std::move(worker.strPending));
        worker.strPending.clear();
    }
    return bChanged;
}

void End(Worker& worker, WorkerEnd end, Clock::time_point now) {
    TakeLines(worker, true);
    worker.state.end = end;
    worker.state.nExitStatus = worker.pProcess->TryExitStatus().value_or(-1);
    worker.state.duration =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - worker.started);
    worker.pProcess.reset();
}

}  // namespace

std::vector<WorkerState> RunWorkers(
    const std::filesystem::path& program, const std::vector<WorkerJob>& jobs,
    const std::vector<std::pair<std::string, std::string>>& environment, const WorkerLimits& limits,
    IWorkerObserver& observer) {
    std::vector<Worker> workers(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        workers[i].started = workers[i].lastHeard = Clock::now();
        workers[i].pProcess = CWorkerProcess::Start(program, jobs[i].args, environment);
        if (workers[i].pProcess == nullptr) {
            workers[i].state.end = WorkerEnd::NotStarted;
        }
        observer.OnWorkerChanged(i, workers[i].state);
    }
    for (;;) {
        std::vector<CWorkerProcess*> running;
        for (Worker& worker : workers) {
            if (worker.pProcess != nullptr) {
                running.push_back(worker.pProcess.get());
            }
        }
        if (running.empty()) {
            break;
        }
        CWorkerProcess::WaitForAny(running, kLookMilliseconds);
        const Clock::time_point now = Clock::now();
        for (std::size_t i = 0; i < workers.size(); ++i) {
            Worker& worker = workers[i];
            if (worker.pProcess == nullptr) {
                continue;
            }
            const std::size_t nBefore = worker.strPending.size();
            if (worker.bOutputOpen) {
                worker.bOutputOpen = worker.pProcess->ReadAvailable(worker.strPending);
            }
            if (worker.strPending.size() != nBefore) {
                worker.lastHeard = now;
            }
            bool bChanged = TakeLines(worker, false);
            if (!worker.bOutputOpen && worker.pProcess->TryExitStatus()) {
                End(worker, worker.state.result ? WorkerEnd::Reported : WorkerEnd::NoResult, now);
                bChanged = true;
            } else if (now - worker.lastHeard > limits.silence ||
                       now - worker.started > limits.whole) {
                worker.pProcess->Kill();
                End(worker, WorkerEnd::Silent, now);
                bChanged = true;
            }
            if (bChanged) {
                observer.OnWorkerChanged(i, worker.state);
            }
        }
        observer.OnIdle();
    }
    std::vector<WorkerState> states;
    for (Worker& worker : workers) {
        states.push_back(std::move(worker.state));
    }
    return states;
}

}  // namespace rf
