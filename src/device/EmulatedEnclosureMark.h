#pragma once

// How an emulated enclosure tells the program that it is one: these bytes
// in the vendor-specific part of its standard INQUIRY data (bytes 36 to
// 55). A real bridge answers 36 bytes and nothing of ours, so a drive
// without the mark, or with an answer too short to hold it, is a real unit:
// the safe direction when test images are about to be written.

#include <cstddef>
#include <string_view>

namespace rf {

inline constexpr std::size_t kEmulatedMarkOffset = 36;
inline constexpr std::string_view kEmulatedMark("REFLASHER-EMULATED\0\0", 20);
static_assert(kEmulatedMark.size() == 20);

// True when the INQUIRY answer (nLength bytes were asked, the rest zero)
// carries the mark inside the length it says it has.
bool HasEmulatedMark(const unsigned char* pInquiry, std::size_t nLength);

}  // namespace rf
