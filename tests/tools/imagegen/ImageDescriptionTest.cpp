#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImageDescription.h"
#include "firmware/TestImageMark.h"

namespace rf::imagegen {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Build(const std::string& description, ImageMode mode = ImageMode::Test) {
    Bytes image;
    std::string strError;
    EXPECT_TRUE(BuildImage(description, image, strError, mode)) << strError;
    return image;
}

// The bytes, then the test-image mark.
Bytes Marked(Bytes bytes) {
    bytes.insert(bytes.end(), kTestImageMark.begin(), kTestImageMark.end());
    return bytes;
}

TEST(ImageDescriptionTest, FieldsLandLittleEndianAndLaterLinesWin) {
    const Bytes image = Build(
        "# comment line\n"
        "size 44\n"
        "mark 32                  # whatever comes after\n"
        "fill 0 end 0xEE          # background\n"
        "u16 0 0x1234\n"
        "u32 2 0xA1B2C3D4\n"
        "text 8 6 \"a \\\"b\\\"\"\n"
        "bytes end-14 1 0x02\n"
        "u8 end-14 0x7F\n");
    EXPECT_EQ(image, Marked({0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 0xEE, 0xEE, 'a',  ' ',  '"',
                             'b',  '"',  0x00, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                             0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x7F, 0x02}));
}

TEST(ImageDescriptionTest, DateAndTimeArePackedDateFirst) {
    const Bytes image = Build("size 20\ndostime 2 2013/11/12 17:28:04\nmark 8\n");
    EXPECT_EQ(image, Marked({0, 0, 0x6C, 0x43, 0x82, 0x8B, 0, 0}));
}

TEST(ImageDescriptionTest, ChecksumMakesTheRangeAddUpToZeroWhereverItIsWritten) {
    const Bytes image = Build(
        "size 24\n"
        "mark 12\n"
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
    EXPECT_EQ(Build("size 28\npayload 4 12 1\nmark 16\n"), [] {
        Bytes expected(16, 0);
        const Bytes payload = PayloadBytes(8, 1);
        std::copy(payload.begin(), payload.end(), expected.begin() + 4);
        return Marked(expected);
    }());
}

TEST(ImageDescriptionTest, AStandInHasCodeOfItsOwnAndNoMark) {
    const std::string description =
        "size 64\n"
        "text 0 4 \"ERI2\"\n"
        "payload 4 40 7\n"
        "mark 40\n"
        "u16 62 0x0027\n";
    const Bytes test = Build(description);
    const Bytes standIn = Build(description, ImageMode::StandIn);
    ASSERT_EQ(standIn.size(), test.size());
    EXPECT_TRUE(std::equal(test.begin(), test.begin() + 4, standIn.begin())) << "the fields stay";
    EXPECT_TRUE(std::equal(test.begin() + 52, test.end(), standIn.begin() + 52));
    EXPECT_EQ(Bytes(standIn.begin() + 40, standIn.begin() + 52), Bytes(12, 0)) << "no mark";
    for (std::size_t i = 4; i < 40; i += 4) {
        EXPECT_NE(Bytes(test.begin() + static_cast<std::ptrdiff_t>(i),
                        test.begin() + static_cast<std::ptrdiff_t>(i) + 4),
                  Bytes(standIn.begin() + static_cast<std::ptrdiff_t>(i),
                        standIn.begin() + static_cast<std::ptrdiff_t>(i) + 4))
            << "the code is its own at " << i;
    }
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
        {"size 16\nu8 0 1\n", "2:"},                        // no mark
        {"size 16\nmark 8\n", "2:"},                        // mark past the end
        {"size 32\nmark 0\nmark 12\n", "3:"},               // mark twice
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
