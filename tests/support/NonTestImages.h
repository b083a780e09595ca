#pragma once

// Images that stand for the maker's: the image generator's stand-ins of the
// carried set, valid for their memories and of the same versions, but with
// code of their own and without the test-image mark, so that none of them
// is a test image.

#include <filesystem>
#include <span>
#include <vector>

#include "base/Types.h"

namespace rf::test {

// nId: IDR_SEEPROM_HOST, IDR_BRIDGE_FIRMWARE, IDR_UI_FIRMWARE, IDR_UI_RESOURCE.
std::vector<BYTE> NonTestImage(UINT nId);

// The ways a test image may come back changed, each leaving it valid for
// its memory. OneByte and ChecksumFixed change a byte of the test-image
// mark, so that only the content still tells; ChecksumFixed then makes a
// SEEPROM header's checksum right again (the other formats have none), and
// OneByte changes a SEEPROM image in its payload instead.
enum class ImageChange { OneByte, Padded, CutShort, ChecksumFixed };
inline constexpr ImageChange kImageChanges[] = {ImageChange::OneByte, ImageChange::Padded,
                                                ImageChange::CutShort, ImageChange::ChecksumFixed};
const char* ImageChangeName(ImageChange change);
std::vector<BYTE> ChangedImage(std::span<const BYTE> image, ImageChange change);

// A directory package of the four images (the maker's stand-ins, or the
// carried test images) with its metainfo.
void WritePackageDirectory(const std::filesystem::path& directory, bool bTestImages);
// The metainfo of the image files in the directory, as they are.
void WriteMetainfo(const std::filesystem::path& directory);

}  // namespace rf::test
