#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImageDescription.h"

namespace rf::imagegen {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Build(const std::string& description) {
    Bytes image;
    std::string strError;
    EXPECT_TRUE(BuildImage(description, image, strError)) << strError;
    return image;
}

TEST(ImageDescriptionTest, FieldsLandLittleEndianAndLaterLinesWin) {
    const Bytes image = Build(
        "# comment line\n"
        "size 32\n"
        "fill 0 end 0xEE          # background\n"
        "u16 0 0x1234\n"
        "u32 2 0xA1B2C3D4\n"
        "text 8 6 \"a \\\"b\\\"\"\n"
        "bytes end-2 1 0x02\n"
        "u8 end-2 0x7F\n");
    EXPECT_EQ(image, (Bytes{0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 0xEE, 0xEE, 'a',  ' ',  '"',
                            'b',  '"',  0x00, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                            0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x7F, 0x02}));
}

TEST(ImageDescriptionTest, DateAndTimeArePackedDateFirst) {
    const Bytes image = Build("size 8\ndostime 2 2013/11/12 17:28:04\n");
    EXPECT_EQ(image, (Bytes{0, 0, 0x6C, 0x43, 0x82, 0x8B, 0, 0}));
}

TEST(ImageDescriptionTest, ChecksumMakesTheRangeAddUpToZeroWhereverItIsWritten) {
    const Bytes image = Build(
        "size 12\n"
        "checksum16 2 0 8\n"  // before the fields: still computed over them
        "u16 0 0x55AA\n"
        "u16 4 0x0079\n"
        "u16 6 0x8000\n"
        "u16 8 0x1111\n");  // outside the range
    unsigned nSum = 0;
    for (std::size_t i = 0; i < 8; i += 2) {
        nSum += static_cast<unsigned>(image[i] | image[i + 1] << 8);
    }
    EXPECT_EQ(nSum & 0xFFFF, 0u);
    EXPECT_EQ(image[8], 0x11);
}

TEST(ImageDescriptionTest, PayloadIsDeterministicAndDiffersBySeed) {
    const Bytes first = PayloadBytes(4096, 1);
    EXPECT_EQ(first, PayloadBytes(4096, 1));
    EXPECT_NE(first, PayloadBytes(4096, 2));
    EXPECT_NE(std::count(first.begin(), first.end(), 0), 4096);
    EXPECT_EQ(Build("size 16\npayload 4 12 1\n"), [] {
        Bytes expected(16, 0);
        const Bytes payload = PayloadBytes(8, 1);
        std::copy(payload.begin(), payload.end(), expected.begin() + 4);
        return expected;
    }());
}

TEST(ImageDescriptionTest, MistakesAreRefusedWithTheirLine) {
    struct Case {
        const char* pszDescription;
        const char* pszLine;
    };
    const Case cases[] = {
        {"u8 0 1\n", "1:"},                                 // no size first
        {"", "0:"},                                         // no size at all
        {"size 4\nsize 4\n", "2:"},                         // size twice
        {"size 0\n", "1:"},                                 // empty image
        {"size 4\n\ntext 0 2 \"abc\"\n", "3:"},             // text longer than its field
        {"size 4\ntext 2 4 \"ab\"\n", "2:"},                // field past the end
        {"size 4\ntext 0 4 \"ab\n", "2:"},                  // unterminated text
        {"size 4\nu16 3 1\n", "2:"},                        // word past the end
        {"size 4\nu8 0 256\n", "2:"},                       // value too large
        {"size 4\nbytes end-1 1 2\n", "2:"},                // bytes past the end
        {"size 4\nfill 3 2 0\n", "2:"},                     // range backwards
        {"size 4\nfill 0 end+1 0\n", "2:"},                 // not a position
        {"size 8\ndostime 0 2013/11/12 17:28:05\n", "2:"},  // odd seconds
        {"size 8\ndostime 0 1979/11/12 17:28:04\n", "2:"},  // before 1980
        {"size 8\ndostime 0 2013/13/12 17:28:04\n", "2:"},  // month 13
        {"size 8\nchecksum16 6 0 4\n", "2:"},               // word outside its range
        {"size 8\nchecksum16 1 0 4\n", "2:"},               // word not aligned
        {"size 8\nchecksum16 0 0 3\n", "2:"},               // odd range
        {"size 8\nfrobnicate 0\n", "2:"},                   // unknown directive
        {"size 8\nu16 0\n", "2:"},                          // missing value
    };
    for (const Case& c : cases) {
        Bytes image;
        std::string strError;
        EXPECT_FALSE(BuildImage(c.pszDescription, image, strError)) << c.pszDescription;
        EXPECT_TRUE(strError.starts_with(c.pszLine)) << c.pszDescription << " -> " << strError;
    }
}

TEST(ImageDescriptionTest, EmbeddedSourceHoldsEveryByte) {
    const std::string source = EmbedSource({0x00, 0xAB, 0xFF}, "Image_x", "x.desc");
    EXPECT_NE(source.find("kBytes[3]"), std::string::npos);
    EXPECT_NE(source.find("0x00, 0xAB, 0xFF,"), std::string::npos);
    EXPECT_NE(source.find("std::span<const std::uint8_t> Image_x()"), std::string::npos);
}

}  // namespace
}  // namespace rf::imagegen
