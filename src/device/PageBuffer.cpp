#include "device/PageBuffer.h"

#include <cstdlib>

namespace rf {

namespace {

constexpr std::size_t kPageSize = 4096;

}  // namespace

CPageBuffer::~CPageBuffer() {
    std::free(m_pData);
}

bool CPageBuffer::Allocate(std::size_t nLength) {
    std::free(m_pData);
    m_pData = nullptr;
    if (nLength == 0 || nLength > SIZE_MAX - kPageSize) {
        return false;
    }
    const std::size_t nRounded = (nLength + kPageSize - 1) / kPageSize * kPageSize;
    m_pData = static_cast<BYTE*>(std::aligned_alloc(kPageSize, nRounded));
    return m_pData != nullptr;
}

}  // namespace rf
