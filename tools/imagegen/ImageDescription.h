#pragma once

// Builds a firmware image from its description: a text file with one
// directive a line, applied in order, so a later line overwrites what an
// earlier one wrote. '#' starts a comment. Numbers are decimal or 0x hex;
// a position may also be written as "end" or "end-N" (N bytes before the
// end of the image). Ranges are half-open: FROM up to, not including, TO.
//
//   size      BYTES                     the image's length; must come first
//   fill      FROM TO BYTE              every byte of the range
//   payload   FROM TO SEED              pseudo-random bytes, the same for the same seed
//   text      OFFSET LENGTH "ASCII"     printable ASCII, NUL-padded to LENGTH
//   u8 | u16 | u32  OFFSET VALUE        little-endian
//   bytes     OFFSET BYTE...            raw bytes
//   dostime   OFFSET YYYY/MM/DD HH:MM:SS  packed date word, then packed time word
//   mark      OFFSET                    the test-image mark (src/firmware/TestImageMark.h),
//                                       at a field the format leaves to nobody; every
//                                       description has exactly one; applied after
//                                       every other line but the checksums
//   checksum16 OFFSET FROM TO           the little-endian word at OFFSET is chosen
//                                       so that the words of the range add up to 0
//                                       modulo 0x10000; applied after every other line
//
// Anything the image does not set is zero.
//
// A stand-in is what a test needs in place of the maker's image: the same
// format, fields and versions, but code of its own (every payload seed
// changed) and no mark, so that nothing of it is a test image.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rf::imagegen {

enum class ImageMode { Test, StandIn };

// True when the description is sound; the image is then in image. On
// failure strError names the line ("LINE: what is wrong").
bool BuildImage(std::string_view description, std::vector<std::uint8_t>& image,
                std::string& strError, ImageMode mode = ImageMode::Test);

// C++ source that defines `std::span<const std::uint8_t> rf::firmware::NAME()`
// returning the image's bytes.
std::string EmbedSource(const std::vector<std::uint8_t>& image, std::string_view functionName,
                        std::string_view sourceName);

// The bytes the payload directive writes.
std::vector<std::uint8_t> PayloadBytes(std::size_t nLength, std::uint32_t nSeed);

}  // namespace rf::imagegen
