// reflasher-broker: forwards the updater's own commands to supported
// enclosures for users who may not open the drives themselves. systemd
// starts it on the first connection to its socket; it ends when nobody has
// been connected for a while.

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/Clock.h"
#include "base/ExitStatus.h"
#include "base/SharedClock.h"
#include "base/Text.h"
#include "broker/BrokerConfig.h"
#include "broker/BrokerServer.h"
#include "device/os/linux/LinuxDeviceSystem.h"
#include "device/os/linux/UdevDeviceTree.h"
#include "emulation/EmulatedSession.h"
#include "text/StringTable.h"

namespace {

volatile std::sig_atomic_t g_bStop = 0;

void OnStopSignal(int) {
    g_bStop = 1;
}

constexpr int kListenBacklog = 16;
constexpr int kLongestIdleSeconds = 24 * 3600;

struct BrokerOptions {
    std::optional<std::string> socket;
    std::string strConfig = rf::kDefaultBrokerConfig;
    int nIdleSeconds = 60;
    std::optional<std::string> emulateDirectory;
    std::optional<std::string> clockFile;
    bool bHelp = false;
};

void PrintLine(std::ostream& stream, const std::u16string& text) {
    stream << rf::Utf16ToUtf8(text) << std::endl;
}

int Fail(rf::UINT nMessage, const std::string& strWhat) {
    PrintLine(std::cerr, rf::LoadResString(nMessage) + rf::Utf8ToUtf16(strWhat));
    return rf::kExitFailure;
}

// "--name VALUE" or "--name=VALUE"; --emulate takes its value only as the
// latter. False with the argument that was wrong.
bool ParseOptions(int argc, char** argv, BrokerOptions& options, std::string& strWrong) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const std::size_t nEquals = arg.find('=');
        const std::string_view name = arg.substr(0, nEquals);
        std::optional<std::string> value;
        if (nEquals != std::string_view::npos) {
            value = std::string(arg.substr(nEquals + 1));
        }
        const bool bTakesValue =
            name == "--socket" || name == "--config" || name == "--idle" || name == "--clock";
        if (bTakesValue && !value && i + 1 < argc) {
            value = argv[++i];
        }
        strWrong = std::string(arg);
        if (bTakesValue && (!value || value->empty())) {
            return false;
        }
        if (name == "--socket") {
            options.socket = value;
        } else if (name == "--config") {
            options.strConfig = *value;
        } else if (name == "--clock") {
            options.clockFile = value;
        } else if (name == "--idle") {
            char* pEnd = nullptr;
            const long nSeconds = std::strtol(value->c_str(), &pEnd, 10);
            if (*pEnd != '\0' || nSeconds < 0 || nSeconds > kLongestIdleSeconds) {
                return false;
            }
            options.nIdleSeconds = static_cast<int>(nSeconds);
        } else if (name == "--emulate") {
            options.emulateDirectory = value.value_or(rf::DefaultEmulatorDirectory());
        } else if (arg == "--help") {
            options.bHelp = true;
        } else {
            return false;
        }
    }
    return true;
}

// A socket of our own at the path, open to everyone: the peer check is the
// broker's, not the file's. A stale socket of an earlier run is replaced;
// anything else at the path is left alone.
int ListenAt(const std::string& strPath, std::string& strError) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (strPath.size() >= sizeof address.sun_path) {
        strError = strPath + ": the path is too long";
        return -1;
    }
    std::memcpy(address.sun_path, strPath.c_str(), strPath.size() + 1);
    struct stat info {};
    if (::lstat(strPath.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            strError = strPath + ": something else is there";
            return -1;
        }
        ::unlink(strPath.c_str());
    }
    const int nFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nFd < 0 || ::bind(nFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(strPath.c_str(), 0666) != 0 || ::listen(nFd, kListenBacklog) != 0) {
        strError = strPath + ": " + std::strerror(errno);
        if (nFd >= 0) {
            ::close(nFd);
        }
        return -1;
    }
    return nFd;
}

// The socket systemd hands over, when it started the broker for it.
int HandedOverSocket() {
    if (sd_listen_fds(1) == 1 &&
        sd_is_socket_unix(SD_LISTEN_FDS_START, SOCK_STREAM, 1, nullptr, 0) > 0) {
        return SD_LISTEN_FDS_START;
    }
    return -1;
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;  // no SA_RESTART: the wait returns at once
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace rf;
    SetCurrentLanguage(DetectLanguageFromEnvironment());
    BrokerOptions options;
    std::string strWrong;
    if (!ParseOptions(argc, argv, options, strWrong)) {
        PrintLine(std::cerr, LoadResString(IDS_CLI_UNKNOWN_OPTION) + Utf8ToUtf16(strWrong));
        PrintLine(std::cerr, LoadResString(IDS_BROKER_USAGE));
        return kExitNothing;
    }
    if (options.bHelp) {
        PrintLine(std::cout, LoadResString(IDS_BROKER_USAGE));
        return kExitSuccess;
    }
    BrokerConfig config;
    std::string strError;
    if (!ReadBrokerConfig(options.strConfig, config, strError)) {
        return Fail(IDS_BROKER_CONFIG_FAILED, strError);
    }
    BrokerServerSettings settings;
    settings.nIdleSeconds = options.nIdleSeconds;
    if (!config.strGroup.empty()) {
        const group* pGroup = ::getgrnam(config.strGroup.c_str());
        if (pGroup == nullptr) {
            return Fail(IDS_BROKER_CONFIG_FAILED, "no such group: " + config.strGroup);
        }
        settings.group = pGroup->gr_gid;
    }

    // The clock first: an emulated enclosure starts up on it as it is loaded.
    CClockFileScope clockFile;
    if (options.clockFile && !clockFile.Open(*options.clockFile)) {
        return Fail(IDS_CLI_CLOCK_FAILED, *options.clockFile);
    }
    std::unique_ptr<CEmulatedSession> session;
    CUdevDeviceTree tree;
    CLinuxVolumeSystemCalls volumeCalls;
    CLinuxDeviceSystem drives(tree, volumeCalls);
    IDeviceSystem* pSystem = &drives;
    if (options.emulateDirectory) {
        session = CEmulatedSession::Open(*options.emulateDirectory, strError);
        if (session == nullptr) {
            return Fail(IDS_CLI_EMULATOR_ERROR, strError);
        }
        for (const CEmulatedSession::Unit& unit : session->Units()) {
            unit.pEnclosure->EnableTrace(false);  // a server runs for long
        }
        pSystem = &session->System();
        // What a peer changed is kept as soon as its drive is closed.
        settings.afterDrive = [&session]() {
            std::string strSaveError;
            if (!session->Save(strSaveError)) {
                PrintLine(std::cerr,
                          LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(strSaveError));
            }
        };
    }

    const int nListenFd = options.socket ? ListenAt(*options.socket, strError) : HandedOverSocket();
    if (nListenFd < 0) {
        return Fail(IDS_BROKER_SOCKET_FAILED,
                    options.socket ? strError : "none handed over; give --socket PATH");
    }
    CatchStopSignals();
    PrintLine(std::cout, LoadResString(IDS_BROKER_LISTENING) +
                             Utf8ToUtf16(options.socket.value_or("(systemd)")));
    CLogindSeatSessions seats;
    ServeBroker(
        nListenFd, *pSystem, seats, settings,
        [](const std::string& strLine) { std::cerr << strLine << std::endl; }, g_bStop);
    ::close(nListenFd);
    if (options.socket) {
        ::unlink(options.socket->c_str());
    }
    return kExitSuccess;
}
