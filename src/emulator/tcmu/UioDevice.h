#pragma once

// The uio device through which the kernel shares a TCMU backstore's ring:
// its memory mapped, its interrupts waited for, and the kernel told when
// answers are ready.

#include <memory>
#include <string>

#include "emulator/tcmu/TcmuRing.h"

namespace rf::emu {

class CUioDevice {
public:
    // name: "uio0". Null with a message when it cannot be opened or mapped.
    static std::unique_ptr<CUioDevice> Open(const std::string& strName, std::string& strError);
    ~CUioDevice();
    CUioDevice(const CUioDevice&) = delete;
    CUioDevice& operator=(const CUioDevice&) = delete;

    const rf_tcmu_ring& Ring() const { return m_ring; }
    // Waits at most nMilliseconds for the kernel to queue commands; false
    // when it did not (or a signal came).
    bool Wait(int nMilliseconds);
    // Tells the kernel that answers were completed.
    void Notify();

private:
    CUioDevice(int nFd, rf_tcmu_ring ring) : m_nFd(nFd), m_ring(ring) {}

    int m_nFd;
    rf_tcmu_ring m_ring;
};

}  // namespace rf::emu
