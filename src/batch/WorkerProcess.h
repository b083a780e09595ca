#pragma once

// A worker: this program started again for one unit. Its standard output
// and standard error come back on one pipe that the parent reads without
// blocking, so that one loop can watch every worker at once and none can
// stall the others; its input is empty, so it never waits for an answer.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace rf {

class CWorkerProcess {
public:
    // Null when the program could not be started. environment: variables set
    // for the worker only, on top of the parent's own.
    static std::unique_ptr<CWorkerProcess> Start(
        const std::filesystem::path& program, const std::vector<std::u16string>& args,
        const std::vector<std::pair<std::string, std::string>>& environment);
    // A worker still running is killed: it must not outlive the batch.
    ~CWorkerProcess();
    CWorkerProcess(const CWorkerProcess&) = delete;
    CWorkerProcess& operator=(const CWorkerProcess&) = delete;

    // Appends what the worker has written since the last call, without
    // waiting. False once its output has ended (it closed the pipe).
    bool ReadAvailable(std::string& text);
    // The exit status once the worker has ended, without waiting.
    std::optional<int> TryExitStatus();
    // Ends the worker at once and collects it.
    void Kill();

    // Returns when one of the workers has written something or its output
    // has ended, or after nMilliseconds at most.
    static void WaitForAny(std::span<CWorkerProcess* const> workers, unsigned nMilliseconds);

    struct Impl;

private:
    explicit CWorkerProcess(std::unique_ptr<Impl> pImpl);
    std::unique_ptr<Impl> m_pImpl;
};

// The running program's own executable, to start it again as a worker;
// empty when the system cannot say.
std::filesystem::path OwnExecutablePath();

}  // namespace rf
