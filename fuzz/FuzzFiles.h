#pragma once

// Files made of a fuzz input, for the readers of a directory this program
// keeps (a backup, an emulated enclosure). Memory files are large and their
// size is what the readers check first, so the input gives each one's size
// and what it holds, not its bytes: a carried firmware image at its start
// (so that versions can be read back from it) or one byte throughout. The
// rest of the input is the text file (a manifest, a configuration).
//
// Layout: one byte whose bit i says file i is there; for each file that is,
// three bytes of size (little-endian) and one byte of contents (below the
// number of carried images: that image, then 0xFF; otherwise that byte).

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "firmware/FirmwareImages.h"
#include "fuzz/FuzzDevice.h"

namespace rf::fuzz {

// A little larger than the largest memory (a 2 MiB SPI flash), so that a
// file too large is tried too; larger would only cost time.
inline constexpr std::size_t kMaxFuzzFileBytes = 2 * 1024 * 1024 + 4096;

inline std::map<std::string, std::string> TakeFiles(CFuzzInput& input,
                                                    std::span<const char* const> names) {
    std::map<std::string, std::string> files;
    const std::uint8_t nPresent = input.Byte();
    for (std::size_t i = 0; i < names.size() && i < 8; ++i) {
        if ((nPresent >> i & 1) == 0) {
            continue;
        }
        std::size_t nSize = input.Byte();
        nSize |= static_cast<std::size_t>(input.Byte()) << 8;
        nSize |= static_cast<std::size_t>(input.Byte()) << 16;
        nSize = std::min(nSize, kMaxFuzzFileBytes);
        const std::uint8_t nSource = input.Byte();
        std::string strContents;
        if (nSource < FirmwareImages().size()) {
            const std::span<const BYTE> image = FirmwareImages()[nSource].pBytes();
            const std::span<const BYTE> head = image.first(std::min(nSize, image.size()));
            strContents.assign(head.begin(), head.end());
            strContents.resize(nSize, '\xFF');
        } else {
            strContents.assign(nSize, static_cast<char>(nSource));
        }
        files[names[i]] = std::move(strContents);
    }
    const std::span<const std::uint8_t> rest = input.Rest();
    files[""] = std::string(rest.begin(), rest.end());
    return files;
}

}  // namespace rf::fuzz
