#include <windows.h>

#include <algorithm>
#include <array>
#include <cwchar>

#include "batch/WorkerProcess.h"

namespace rf {

struct CWorkerProcess::Impl {
    HANDLE hProcess = nullptr;
    HANDLE hOutput = nullptr;  // null once the output has ended
    std::optional<int> exitStatus;

    void CloseOutput() {
        if (hOutput != nullptr) {
            ::CloseHandle(hOutput);
            hOutput = nullptr;
        }
    }
};

namespace {

// One argument as the C runtime's parser splits a command line: quoted,
// with the backslashes before a quote doubled.
std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring quoted = L"\"";
    std::size_t nBackslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++nBackslashes;
            continue;
        }
        quoted.append(c == L'"' ? nBackslashes * 2 + 1 : nBackslashes, L'\\');
        nBackslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(nBackslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring Wide(const std::string& text) {
    std::wstring wide;
    const int nLength =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    wide.resize(static_cast<std::size_t>(nLength));
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          nLength);
    return wide;
}

// The parent's environment block with the worker's own variables in place
// of any of the same name (names compared without case, as Windows does).
std::wstring WorkerEnvironment(
    const std::vector<std::pair<std::string, std::string>>& environment) {
    std::wstring block;
    wchar_t* pStrings = ::GetEnvironmentStringsW();
    for (const wchar_t* p = pStrings; p != nullptr && *p != L'\0'; p += wcslen(p) + 1) {
        const std::wstring entry(p);
        bool bReplaced = false;
        for (const auto& [strName, strValue] : environment) {
            const std::wstring name = Wide(strName) + L"=";
            bReplaced = bReplaced || (entry.size() >= name.size() &&
                                      ::_wcsnicmp(entry.c_str(), name.c_str(), name.size()) == 0);
        }
        if (!bReplaced) {
            block += entry;
            block.push_back(L'\0');
        }
    }
    if (pStrings != nullptr) {
        ::FreeEnvironmentStringsW(pStrings);
    }
    for (const auto& [strName, strValue] : environment) {
        block += Wide(strName) + L"=" + Wide(strValue);
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

}  // namespace

CWorkerProcess::CWorkerProcess(std::unique_ptr<Impl> pImpl) : m_pImpl(std::move(pImpl)) {}

std::unique_ptr<CWorkerProcess> CWorkerProcess::Start(
    const std::filesystem::path& program, const std::vector<std::u16string>& args,
    const std::vector<std::pair<std::string, std::string>>& environment) {
    std::wstring commandLine = QuoteArgument(program.wstring());
    for (const std::u16string& arg : args) {
        commandLine += L" " + QuoteArgument(std::wstring(arg.begin(), arg.end()));
    }
    std::wstring environmentBlock = WorkerEnvironment(environment);

    // The pipe is made inheritable only for the moment this worker is
    // created, so no other worker holds it open and its end is seen as soon
    // as this worker ends.
    HANDLE hRead = nullptr;
    HANDLE hWrite = nullptr;
    if (!::CreatePipe(&hRead, &hWrite, nullptr, 0)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE hNull = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
    ::SetHandleInformation(hWrite, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = hNull;
    startup.hStdOutput = hWrite;
    startup.hStdError = hWrite;
    PROCESS_INFORMATION info{};
    const BOOL bStarted =
        ::CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                         CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environmentBlock.data(),
                         nullptr, &startup, &info);
    ::CloseHandle(hWrite);
    if (hNull != INVALID_HANDLE_VALUE) {
        ::CloseHandle(hNull);
    }
    if (!bStarted) {
        ::CloseHandle(hRead);
        return nullptr;
    }
    ::CloseHandle(info.hThread);
    auto pImpl = std::make_unique<Impl>();
    pImpl->hProcess = info.hProcess;
    pImpl->hOutput = hRead;
    return std::unique_ptr<CWorkerProcess>(new CWorkerProcess(std::move(pImpl)));
}

CWorkerProcess::~CWorkerProcess() {
    if (!m_pImpl->exitStatus) {
        Kill();
    }
    m_pImpl->CloseOutput();
    ::CloseHandle(m_pImpl->hProcess);
}

bool CWorkerProcess::ReadAvailable(std::string& text) {
    std::array<char, 4096> buffer;
    while (m_pImpl->hOutput != nullptr) {
        DWORD nAvailable = 0;
        if (!::PeekNamedPipe(m_pImpl->hOutput, nullptr, 0, nullptr, &nAvailable, nullptr)) {
            m_pImpl->CloseOutput();  // the worker closed its end
            break;
        }
        if (nAvailable == 0) {
            return true;
        }
        DWORD nRead = 0;
        const DWORD nWanted = std::min<DWORD>(nAvailable, static_cast<DWORD>(buffer.size()));
        if (!::ReadFile(m_pImpl->hOutput, buffer.data(), nWanted, &nRead, nullptr) || nRead == 0) {
            m_pImpl->CloseOutput();
            break;
        }
        text.append(buffer.data(), nRead);
    }
    return false;
}

std::optional<int> CWorkerProcess::TryExitStatus() {
    if (!m_pImpl->exitStatus && ::WaitForSingleObject(m_pImpl->hProcess, 0) == WAIT_OBJECT_0) {
        DWORD nStatus = 0;
        ::GetExitCodeProcess(m_pImpl->hProcess, &nStatus);
        m_pImpl->exitStatus = static_cast<int>(nStatus);
    }
    return m_pImpl->exitStatus;
}

void CWorkerProcess::Kill() {
    if (m_pImpl->exitStatus) {
        return;
    }
    ::TerminateProcess(m_pImpl->hProcess, 1);
    // A terminated process ends at once; the wait is bounded all the same.
    ::WaitForSingleObject(m_pImpl->hProcess, 5000);
    m_pImpl->exitStatus = 1;
}

void CWorkerProcess::WaitForAny(std::span<CWorkerProcess* const> workers, unsigned nMilliseconds) {
    // Anonymous pipes cannot be waited on; they are looked at every few
    // milliseconds instead, which costs nothing worth counting.
    constexpr DWORD kLookMilliseconds = 10;
    for (DWORD nWaited = 0; nWaited < nMilliseconds; nWaited += kLookMilliseconds) {
        for (const CWorkerProcess* pWorker : workers) {
            DWORD nAvailable = 0;
            if (pWorker->m_pImpl->hOutput != nullptr &&
                (!::PeekNamedPipe(pWorker->m_pImpl->hOutput, nullptr, 0, nullptr, &nAvailable,
                                  nullptr) ||
                 nAvailable > 0)) {
                return;
            }
        }
        ::Sleep(kLookMilliseconds);
    }
}

std::filesystem::path OwnExecutablePath() {
    std::array<wchar_t, 32768> path{};
    const DWORD nLength =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return nLength == 0 || nLength >= path.size() ? std::filesystem::path()
                                                  : std::filesystem::path(path.data());
}

}  // namespace rf
