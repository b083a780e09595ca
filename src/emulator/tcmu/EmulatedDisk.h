#pragma once

// The disk behind the emulated enclosure's bridge: 512-byte blocks in an
// image file, so that the kernel sees a disk it can partition and mount.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/Types.h"

namespace rf::emu {

class CEmulatedDisk {
public:
    static constexpr UINT kBlockSize = 512;

    // Opens the image, making an empty one of nBytes when there is none;
    // null with a message when it cannot be opened or made.
    static std::unique_ptr<CEmulatedDisk> Open(const std::string& strPath, std::uint64_t nBytes,
                                               std::string& strError);
    ~CEmulatedDisk();
    CEmulatedDisk(const CEmulatedDisk&) = delete;
    CEmulatedDisk& operator=(const CEmulatedDisk&) = delete;

    std::uint64_t BlockCount() const { return m_nBlocks; }
    // Whole blocks from nLba on; false on an I/O error. The caller keeps
    // within BlockCount.
    bool Read(std::uint64_t nLba, std::span<BYTE> blocks);
    bool Write(std::uint64_t nLba, std::span<const BYTE> blocks);
    bool Flush();

private:
    CEmulatedDisk(int nFd, std::uint64_t nBlocks) : m_nFd(nFd), m_nBlocks(nBlocks) {}

    int m_nFd;
    std::uint64_t m_nBlocks;
};

}  // namespace rf::emu
