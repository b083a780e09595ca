#pragma once

#include <cstddef>

#include "base/Types.h"

namespace rf {

// A page-aligned buffer for direct transfers, released when it goes.
class CPageBuffer {
public:
    CPageBuffer() = default;
    ~CPageBuffer();
    CPageBuffer(const CPageBuffer&) = delete;
    CPageBuffer& operator=(const CPageBuffer&) = delete;

    // False when the memory cannot be had; the buffer is then empty.
    bool Allocate(std::size_t nLength);
    BYTE* Data() const { return m_pData; }

private:
    BYTE* m_pData = nullptr;
};

}  // namespace rf
