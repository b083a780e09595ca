#include "broker/BrokerConfig.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sstream>

namespace rf {

namespace {

constexpr std::size_t kMaxConfigBytes = 64 * 1024;
constexpr std::size_t kMaxGroupName = 32;

std::string Trimmed(const std::string& text) {
    const auto first =
        std::find_if_not(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
    const auto last = std::find_if_not(text.rbegin(), text.rend(),
                                       [](unsigned char c) { return std::isspace(c); });
    return first < last.base() ? std::string(first, last.base()) : std::string();
}

bool IsGroupName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxGroupName && name[0] != '-' &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) {
               return std::isalnum(c) || c == '_' || c == '-' || c == '.';
           });
}

// The file's text, or false with the reason.
bool ReadOwnedText(const std::string& strPath, std::string& text, std::string& strError) {
    const int nFd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (nFd < 0) {
        strError = strPath + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool bOk = ::fstat(nFd, &info) == 0 && S_ISREG(info.st_mode);
    if (!bOk) {
        strError = strPath + ": not a plain file";
    } else if ((info.st_uid != 0 && info.st_uid != ::geteuid()) ||
               (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        strError = strPath + ": may be changed by others than root";
        bOk = false;
    } else if (static_cast<std::size_t>(info.st_size) > kMaxConfigBytes) {
        strError = strPath + ": longer than " + std::to_string(kMaxConfigBytes) + " bytes";
        bOk = false;
    }
    if (bOk) {
        text.resize(kMaxConfigBytes + 1);
        const ssize_t nRead = ::read(nFd, text.data(), text.size());
        bOk = nRead >= 0 && static_cast<std::size_t>(nRead) <= kMaxConfigBytes;
        text.resize(bOk ? static_cast<std::size_t>(nRead) : 0);
        if (!bOk) {
            strError = strPath + ": cannot be read";
        }
    }
    ::close(nFd);
    return bOk;
}

}  // namespace

bool ReadBrokerConfig(const std::string& strPath, BrokerConfig& config, std::string& strError) {
    config = BrokerConfig{};
    struct stat info {};
    if (::lstat(strPath.c_str(), &info) != 0 && errno == ENOENT) {
        return true;
    }
    std::string text;
    if (!ReadOwnedText(strPath, text, strError)) {
        return false;
    }
    std::istringstream lines(text);
    int nLine = 0;
    for (std::string strLine; std::getline(lines, strLine);) {
        ++nLine;
        const std::string line = Trimmed(strLine.substr(0, strLine.find('#')));
        if (line.empty()) {
            continue;
        }
        const std::size_t nEquals = line.find('=');
        const std::string name = Trimmed(line.substr(0, nEquals));
        const std::string value =
            nEquals == std::string::npos ? std::string() : Trimmed(line.substr(nEquals + 1));
        if (name == "group" && IsGroupName(value)) {
            config.strGroup = value;
            continue;
        }
        strError = strPath + ":" + std::to_string(nLine) + ": not understood: " + line;
        return false;
    }
    return true;
}

}  // namespace rf
