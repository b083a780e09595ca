#include <gtest/gtest.h>

#include "base/Text.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/tcmu/FakeTcmuRing.h"
#include "emulator/tcmu/TcmuServer.h"
#include "support/TempFiles.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

constexpr std::size_t kMapSize = 64 * 1024;

class TcmuServerTest : public ::testing::Test {
protected:
    TcmuServerTest() : map(kMapSize) {
        std::string strError;
        enclosure = MakeEmulatedEnclosure("row1", "", "", strError);
        disk = emu::CEmulatedDisk::Open(Utf16ToUtf8(files.Path("disk.img")), 1 << 20, strError);
        target.emplace(*enclosure, *disk);
        rf_fake_tcmu_init(map.data(), map.size());
    }

    std::uint32_t Queue(std::vector<BYTE> cdb, const std::vector<std::size_t>& offsets,
                        const std::vector<std::size_t>& lengths) {
        cdb.resize(16);
        return rf_fake_tcmu_queue(map.data(), cdb.data(), cdb.size(), offsets.data(),
                                  lengths.data(), static_cast<std::uint32_t>(offsets.size()));
    }
    std::size_t AnswerAll() {
        return emu::AnswerWaitingCommands(rf_tcmu_ring{map.data(), map.size()}, *target, buffer);
    }

    CTestEnvironment env;
    CTempFiles files;
    std::vector<BYTE> map;
    std::vector<BYTE> buffer;
    std::shared_ptr<emu::CEmulatedEnclosure> enclosure;
    std::unique_ptr<emu::CEmulatedDisk> disk;
    std::optional<emu::CEnclosureTarget> target;
};

TEST_F(TcmuServerTest, SegmentsAreGatheredAndAnswersScatteredBack) {
    for (std::size_t i = 0; i < 512; ++i) {
        map[8192 + i] = static_cast<BYTE>(i);
    }
    // One block written from two segments, then INQUIRY read into two.
    const std::uint32_t nWrite = Queue({0x2A, 0, 0, 0, 0, 3, 0, 0, 1}, {8192, 8392}, {200, 312});
    std::fill_n(map.begin() + 16384, 64, BYTE{0xEE});
    const std::uint32_t nInquiry = Queue({0x12, 0, 0, 0, 36}, {16384, 16404}, {20, 16});
    EXPECT_EQ(AnswerAll(), 2u);
    EXPECT_TRUE(rf_fake_tcmu_drained(map.data()));

    long nReadLength = 0;
    EXPECT_EQ(rf_fake_tcmu_status(map.data(), nWrite, &nReadLength), 0);
    EXPECT_EQ(nReadLength, -1);
    std::vector<BYTE> block(512);
    ASSERT_TRUE(disk->Read(3, block));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), map.begin() + 8192));

    EXPECT_EQ(rf_fake_tcmu_status(map.data(), nInquiry, &nReadLength), 0);
    EXPECT_EQ(nReadLength, 36);
    EXPECT_EQ(std::string(map.begin() + 16384 + 8, map.begin() + 16384 + 32),
              "KESTREL DVX4400DUO      ")
        << "vendor and product run across the segment boundary";
}

TEST_F(TcmuServerTest, TheRingWrapsPastPaddingAndBadSegmentsAreRefused) {
    std::uint32_t nLast = 0;
    // Enough single commands to go round the ring twice; their size leaves
    // padding shorter than a command at the ring's end.
    for (int i = 0; i < 20; ++i) {
        nLast = Queue({0x28, 0, 0, 0, 0, 0, 0, 0, 1}, {4096}, {512});
        ASSERT_EQ(AnswerAll(), 1u) << "command " << i;
    }
    long nReadLength = 0;
    EXPECT_EQ(rf_fake_tcmu_status(map.data(), nLast, &nReadLength), 0);
    EXPECT_EQ(nReadLength, 512);

    const std::uint32_t nBad = Queue({0x28, 0, 0, 0, 0, 0, 0, 0, 1}, {kMapSize - 100}, {512});
    EXPECT_EQ(AnswerAll(), 1u);
    EXPECT_EQ(rf_fake_tcmu_status(map.data(), nBad, &nReadLength), 2);
    EXPECT_TRUE(rf_fake_tcmu_drained(map.data()));
}

}  // namespace
}  // namespace rf::test
