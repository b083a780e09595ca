#include "base/SharedClock.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rf {

namespace {

constexpr off_t kClockFileSize = sizeof(std::uint64_t);

}  // namespace

std::unique_ptr<CSharedVirtualClock> CSharedVirtualClock::Open(const std::string& strPath) {
    const int nFd = ::open(strPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (nFd < 0) {
        return nullptr;
    }
    struct stat info {};
    // A new file is extended to one zero counter; any other size is not ours.
    const bool bUsable = ::fstat(nFd, &info) == 0 && S_ISREG(info.st_mode) &&
                         (info.st_size == kClockFileSize ||
                          (info.st_size == 0 && ::ftruncate(nFd, kClockFileSize) == 0));
    void* pMap = bUsable
                     ? ::mmap(nullptr, kClockFileSize, PROT_READ | PROT_WRITE, MAP_SHARED, nFd, 0)
                     : MAP_FAILED;
    ::close(nFd);
    if (pMap == MAP_FAILED) {
        return nullptr;
    }
    return std::unique_ptr<CSharedVirtualClock>(
        new CSharedVirtualClock(static_cast<std::uint64_t*>(pMap)));
}

CSharedVirtualClock::~CSharedVirtualClock() {
    ::munmap(m_pNow, kClockFileSize);
}

}  // namespace rf
