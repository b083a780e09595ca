#include "emulator/tcmu/UioDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace rf::emu {

namespace {

// The size of the device's one memory region, as the kernel lists it.
std::size_t MapSize(const std::string& strName) {
    std::ifstream file("/sys/class/uio/" + strName + "/maps/map0/size");
    std::string strText;
    file >> strText;  // "0x41000"
    if (strText.starts_with("0x")) {
        strText.erase(0, 2);
    }
    std::size_t nSize = 0;
    const auto [pEnd, error] =
        std::from_chars(strText.data(), strText.data() + strText.size(), nSize, 16);
    return error == std::errc() && pEnd == strText.data() + strText.size() ? nSize : 0;
}

bool IsPlainName(const std::string& strName) {
    return !strName.empty() && strName.find('/') == std::string::npos && strName != "." &&
           strName != "..";
}

}  // namespace

std::unique_ptr<CUioDevice> CUioDevice::Open(const std::string& strName, std::string& strError) {
    const std::size_t nSize = IsPlainName(strName) ? MapSize(strName) : 0;
    if (nSize == 0) {
        strError = strName + " is not a uio device with a memory region";
        return nullptr;
    }
    const std::string strNode = "/dev/" + strName;
    const int nFd = ::open(strNode.c_str(), O_RDWR | O_CLOEXEC);
    if (nFd < 0) {
        strError = "cannot open " + strNode + ": " + std::strerror(errno);
        return nullptr;
    }
    void* pMap = ::mmap(nullptr, nSize, PROT_READ | PROT_WRITE, MAP_SHARED, nFd, 0);
    if (pMap == MAP_FAILED) {
        strError = "cannot map " + strNode + ": " + std::strerror(errno);
        ::close(nFd);
        return nullptr;
    }
    return std::unique_ptr<CUioDevice>(
        new CUioDevice(nFd, rf_tcmu_ring{static_cast<std::uint8_t*>(pMap), nSize}));
}

CUioDevice::~CUioDevice() {
    ::munmap(m_ring.pMap, m_ring.nMapSize);
    ::close(m_nFd);
}

bool CUioDevice::Wait(int nMilliseconds) {
    pollfd entry{m_nFd, POLLIN, 0};
    if (::poll(&entry, 1, nMilliseconds) <= 0 || (entry.revents & POLLIN) == 0) {
        return false;
    }
    // Reading takes the interrupt count and re-arms the wait.
    std::uint32_t nCount = 0;
    return ::read(m_nFd, &nCount, sizeof(nCount)) == sizeof(nCount);
}

void CUioDevice::Notify() {
    const std::uint32_t nAny = 0;
    // A failed write leaves the answers for the kernel's next look at the ring.
    [[maybe_unused]] const ssize_t nWritten = ::write(m_nFd, &nAny, sizeof(nAny));
}

}  // namespace rf::emu
