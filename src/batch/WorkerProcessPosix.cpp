#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "base/Text.h"
#include "batch/WorkerProcess.h"

extern char** environ;

namespace rf {

struct CWorkerProcess::Impl {
    pid_t pid = -1;
    int fdOutput = -1;  // -1 once the output has ended
    std::optional<int> exitStatus;

    void CloseOutput() {
        if (fdOutput >= 0) {
            ::close(fdOutput);
            fdOutput = -1;
        }
    }
};

namespace {

int StatusOf(int nWaitStatus) {
    if (WIFEXITED(nWaitStatus)) {
        return WEXITSTATUS(nWaitStatus);
    }
    // Killed by a signal: as a shell reports it.
    return WIFSIGNALED(nWaitStatus) ? 128 + WTERMSIG(nWaitStatus) : -1;
}

// The parent's environment with the worker's own variables in place of any
// of the same name.
std::vector<std::string> WorkerEnvironment(
    const std::vector<std::pair<std::string, std::string>>& environment) {
    std::vector<std::string> entries;
    for (char** ppEntry = environ; *ppEntry != nullptr; ++ppEntry) {
        const std::string_view entry(*ppEntry);
        bool bReplaced = false;
        for (const auto& [strName, strValue] : environment) {
            bReplaced = bReplaced || (entry.starts_with(strName) && entry.size() > strName.size() &&
                                      entry[strName.size()] == '=');
        }
        if (!bReplaced) {
            entries.emplace_back(entry);
        }
    }
    for (const auto& [strName, strValue] : environment) {
        entries.push_back(strName + "=" + strValue);
    }
    return entries;
}

}  // namespace

CWorkerProcess::CWorkerProcess(std::unique_ptr<Impl> pImpl) : m_pImpl(std::move(pImpl)) {}

std::unique_ptr<CWorkerProcess> CWorkerProcess::Start(
    const std::filesystem::path& program, const std::vector<std::u16string>& args,
    const std::vector<std::pair<std::string, std::string>>& environment) {
    std::vector<std::string> argStrings{program.string()};
    for (const std::u16string& arg : args) {
        argStrings.push_back(Utf16ToUtf8(arg));
    }
    std::vector<char*> argv;
    for (std::string& arg : argStrings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = WorkerEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    // Close-on-exec, so that no other worker holds this pipe open and its
    // end is seen as soon as this worker ends.
    std::array<int, 2> fds{-1, -1};
    if (::pipe2(fds.data(), O_CLOEXEC) != 0) {
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    pid_t pid = -1;
    const int nError = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (nError != 0) {
        ::close(fds[0]);
        return nullptr;
    }
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    auto pImpl = std::make_unique<Impl>();
    pImpl->pid = pid;
    pImpl->fdOutput = fds[0];
    return std::unique_ptr<CWorkerProcess>(new CWorkerProcess(std::move(pImpl)));
}

CWorkerProcess::~CWorkerProcess() {
    if (!m_pImpl->exitStatus) {
        Kill();
    }
    m_pImpl->CloseOutput();
}

bool CWorkerProcess::ReadAvailable(std::string& text) {
    std::array<char, 4096> buffer;
    while (m_pImpl->fdOutput >= 0) {
        const ssize_t nRead = ::read(m_pImpl->fdOutput, buffer.data(), buffer.size());
        if (nRead > 0) {
            text.append(buffer.data(), static_cast<std::size_t>(nRead));
            continue;
        }
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        m_pImpl->CloseOutput();  // end of output, or a pipe that failed
    }
    return false;
}

std::optional<int> CWorkerProcess::TryExitStatus() {
    if (!m_pImpl->exitStatus) {
        int nStatus = 0;
        if (::waitpid(m_pImpl->pid, &nStatus, WNOHANG) == m_pImpl->pid) {
            m_pImpl->exitStatus = StatusOf(nStatus);
        }
    }
    return m_pImpl->exitStatus;
}

void CWorkerProcess::Kill() {
    if (m_pImpl->exitStatus) {
        return;
    }
    ::kill(m_pImpl->pid, SIGKILL);
    // A killed process ends at once; this wait does not hang.
    int nStatus = 0;
    while (::waitpid(m_pImpl->pid, &nStatus, 0) < 0 && errno == EINTR) {
    }
    m_pImpl->exitStatus = StatusOf(nStatus);
}

void CWorkerProcess::WaitForAny(std::span<CWorkerProcess* const> workers, unsigned nMilliseconds) {
    std::vector<pollfd> fds;
    for (const CWorkerProcess* pWorker : workers) {
        if (pWorker->m_pImpl->fdOutput >= 0) {
            fds.push_back(pollfd{pWorker->m_pImpl->fdOutput, POLLIN, 0});
        }
    }
    if (fds.empty()) {
        // Only workers whose output has ended, and that may not have
        // exited yet: a short pause instead of a busy loop.
        ::usleep(std::min(nMilliseconds, 10u) * 1000);
        return;
    }
    ::poll(fds.data(), fds.size(), static_cast<int>(nMilliseconds));
}

std::filesystem::path OwnExecutablePath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

}  // namespace rf
