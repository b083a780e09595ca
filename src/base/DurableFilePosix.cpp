#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "base/DurableFile.h"

namespace rf {

namespace {

namespace fs = std::filesystem;

bool SyncDirectory(const fs::path& directory) {
    const int nFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFd < 0) {
        return false;
    }
    const bool bSynced = ::fsync(nFd) == 0;
    ::close(nFd);
    return bSynced;
}

bool WriteAll(int nFd, std::span<const BYTE> bytes) {
    while (!bytes.empty()) {
        const ssize_t nWritten = ::write(nFd, bytes.data(), bytes.size());
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(nWritten));
    }
    return true;
}

}  // namespace

bool WriteFileDurably(const fs::path& path, std::span<const BYTE> bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    fs::path temporary = path;
    temporary += ".new";
    const int nFd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (nFd < 0) {
        return false;
    }
    const bool bWritten = WriteAll(nFd, bytes) && ::fsync(nFd) == 0;
    const bool bClosed = ::close(nFd) == 0;
    if (!bWritten || !bClosed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return SyncDirectory(path.parent_path());
}

bool RenameDurably(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    return SyncDirectory(to.parent_path()) &&
           (from.parent_path() == to.parent_path() || SyncDirectory(from.parent_path()));
}

bool RemoveFileDurably(const fs::path& path) {
    if (::unlink(path.c_str()) != 0) {
        return errno == ENOENT;
    }
    return SyncDirectory(path.parent_path());
}

}  // namespace rf
