// Direct transfers on Windows: the buffer comes from the system's page
// allocator, as the storage stack expects of a direct pass-through.

#include "device/PageBuffer.h"

#include <windows.h>

namespace rf {

CPageBuffer::~CPageBuffer() {
    if (m_pData != nullptr) {
        ::VirtualFree(m_pData, 0, MEM_RELEASE);
    }
}

bool CPageBuffer::Allocate(std::size_t nLength) {
    if (m_pData != nullptr) {
        ::VirtualFree(m_pData, 0, MEM_RELEASE);
        m_pData = nullptr;
    }
    if (nLength == 0) {
        return false;
    }
    m_pData = static_cast<BYTE*>(::VirtualAlloc(nullptr, nLength, MEM_COMMIT, PAGE_READWRITE));
    return m_pData != nullptr;
}

}  // namespace rf
