#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "firmware/FirmwareImages.h"
#include "firmware/ImageCatalogue.h"
#include "firmware/TestImageMark.h"
#include "support/NonTestImages.h"

namespace rf::test {
namespace {

constexpr UINT kCarried[] = {IDR_SEEPROM_HOST, IDR_BRIDGE_FIRMWARE, IDR_UI_FIRMWARE,
                             IDR_UI_RESOURCE};

// The image with its mark cleared: what is left to know it by is its content.
std::vector<BYTE> WithoutMark(std::span<const BYTE> image) {
    std::vector<BYTE> bytes(image.begin(), image.end());
    const auto mark =
        std::search(bytes.begin(), bytes.end(), kTestImageMark.begin(), kTestImageMark.end());
    EXPECT_NE(mark, bytes.end()) << "every generated image carries the mark";
    if (mark != bytes.end()) {
        std::fill_n(mark, kTestImageMark.size(), BYTE{0});
    }
    return bytes;
}

TEST(ImageCatalogueTest, AGeneratedImageIsKnownHoweverItWasChanged) {
    for (const FirmwareImage& image : FirmwareImages()) {
        SCOPED_TRACE(image.pszName);
        EXPECT_TRUE(IsGeneratedImage(image.pBytes()));
        const std::vector<BYTE> unmarked = WithoutMark(image.pBytes());
        EXPECT_TRUE(IsGeneratedImage(unmarked));
        for (const ImageChange change : kImageChanges) {
            SCOPED_TRACE(ImageChangeName(change));
            EXPECT_TRUE(IsGeneratedImage(ChangedImage(image.pBytes(), change)));
            EXPECT_TRUE(IsGeneratedImage(ChangedImage(unmarked, change)));
        }
        // Moved by a few bytes, so that no block lies where it lay.
        std::vector<BYTE> shifted(13, 0x00);
        shifted.insert(shifted.end(), unmarked.begin(), unmarked.end());
        EXPECT_TRUE(IsGeneratedImage(shifted));
    }
}

TEST(ImageCatalogueTest, TheStandInsForTheMakersImagesAreNoTestImagesButTheMarkMakesOne) {
    for (const UINT nId : kCarried) {
        SCOPED_TRACE(nId);
        const std::vector<BYTE> standIn = NonTestImage(nId);
        EXPECT_FALSE(IsGeneratedImage(standIn));
        for (const ImageChange change : kImageChanges) {
            EXPECT_FALSE(IsGeneratedImage(ChangedImage(standIn, change)))
                << ImageChangeName(change);
        }
        std::vector<BYTE> marked = standIn;
        std::copy(kTestImageMark.begin(), kTestImageMark.end(), marked.end() - 40);
        EXPECT_TRUE(IsGeneratedImage(marked));
    }
    EXPECT_FALSE(IsGeneratedImage(std::vector<BYTE>(0x20000, 0xFF)));
    EXPECT_FALSE(IsGeneratedImage(std::vector<BYTE>(64, 0x00)));
}

TEST(ImageCatalogueTest, MoreThanHalfOfTheContentMakesATestImage) {
    // The stand-in of the resource data with its first blocks taken from the
    // test image: every one of its 118 whole blocks holds content.
    const std::vector<BYTE> test = WithoutMark(FindFirmwareImage(IDR_UI_RESOURCE));
    const std::vector<BYTE> standIn = NonTestImage(IDR_UI_RESOURCE);
    ASSERT_EQ(standIn.size() / 256, 118u);
    auto mixed = [&](std::size_t nBlocks) {
        std::vector<BYTE> bytes = standIn;
        // Block 0 is the header, which is never looked for.
        std::copy_n(test.begin() + 256, nBlocks * 256, bytes.begin() + 256);
        return bytes;
    };
    EXPECT_FALSE(IsGeneratedImage(mixed(59)));
    EXPECT_TRUE(IsGeneratedImage(mixed(60)));
}

}  // namespace
}  // namespace rf::test
