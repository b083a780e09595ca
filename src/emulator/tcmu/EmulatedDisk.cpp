#include "emulator/tcmu/EmulatedDisk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rf::emu {

namespace {

// pread and pwrite may move less than asked; a short move is retried from
// where it stopped, an error or end of file ends it.
template <typename Buffer, typename Move>
bool MoveAll(Buffer* pBytes, std::size_t nCount, off_t nOffset, Move move) {
    std::size_t nDone = 0;
    while (nDone < nCount) {
        const ssize_t nMoved =
            move(pBytes + nDone, nCount - nDone, nOffset + static_cast<off_t>(nDone));
        if (nMoved < 0 && errno == EINTR) {
            continue;
        }
        if (nMoved <= 0) {
            return false;
        }
        nDone += static_cast<std::size_t>(nMoved);
    }
    return true;
}

}  // namespace

std::unique_ptr<CEmulatedDisk> CEmulatedDisk::Open(const std::string& strPath, std::uint64_t nBytes,
                                                   std::string& strError) {
    const int nFd = ::open(strPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    struct stat info {};
    if (nFd < 0 || ::fstat(nFd, &info) != 0) {
        strError = "cannot open " + strPath + ": " + std::strerror(errno);
        if (nFd >= 0) {
            ::close(nFd);
        }
        return nullptr;
    }
    // A new image is sparse: the blocks cost nothing until written.
    if (info.st_size == 0 && ::ftruncate(nFd, static_cast<off_t>(nBytes)) == 0) {
        info.st_size = static_cast<off_t>(nBytes);
    }
    const std::uint64_t nBlocks = static_cast<std::uint64_t>(info.st_size) / kBlockSize;
    if (!S_ISREG(info.st_mode) || nBlocks == 0) {
        strError = strPath + " is not a disk image";
        ::close(nFd);
        return nullptr;
    }
    return std::unique_ptr<CEmulatedDisk>(new CEmulatedDisk(nFd, nBlocks));
}

CEmulatedDisk::~CEmulatedDisk() {
    ::close(m_nFd);
}

bool CEmulatedDisk::Read(std::uint64_t nLba, std::span<BYTE> blocks) {
    return MoveAll(blocks.data(), blocks.size(), static_cast<off_t>(nLba * kBlockSize),
                   [this](BYTE* p, std::size_t n, off_t o) { return ::pread(m_nFd, p, n, o); });
}

bool CEmulatedDisk::Write(std::uint64_t nLba, std::span<const BYTE> blocks) {
    return MoveAll(
        blocks.data(), blocks.size(), static_cast<off_t>(nLba * kBlockSize),
        [this](const BYTE* p, std::size_t n, off_t o) { return ::pwrite(m_nFd, p, n, o); });
}

bool CEmulatedDisk::Flush() {
    return ::fdatasync(m_nFd) == 0;
}

}  // namespace rf::emu
