#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/NorFlashChip.h"

namespace rf::test {
namespace {

using emu::CNorFlashChip;
using emu::NorChipModel;

constexpr std::uint64_t kPollInterval = 10;
constexpr std::uint64_t kPollGiveUp = 10'000'000;

// Drives a chip the way the updater does: one bus cycle per microsecond.
class CHost {
public:
    explicit CHost(std::string_view name) : chip(*emu::FindNorChipModel(name)) {}

    std::uint64_t Write(std::uint32_t nOffset, std::uint8_t nValue) {
        chip.Write(nOffset, nValue, nNow);
        return nNow++;
    }
    std::uint8_t Read(std::uint32_t nOffset) { return chip.Read(nOffset, nNow++); }

    std::uint64_t Command(std::uint8_t nCommand) {
        Write(0x5555, 0xAA);
        Write(0x2AAA, 0x55);
        return Write(0x5555, nCommand);
    }
    std::uint64_t EraseChip() {
        Command(0x80);
        return Command(0x10);
    }
    std::uint64_t EraseSector(std::uint32_t nOffset) {
        Command(0x80);
        Write(0x5555, 0xAA);
        Write(0x2AAA, 0x55);
        return Write(nOffset, 0x30);
    }
    std::uint64_t ProgramByte(std::uint32_t nOffset, std::uint8_t nValue) {
        Command(0xA0);
        return Write(nOffset, nValue);
    }

    // Data polling; returns when the byte read back equals nExpected.
    std::uint64_t PollUntilEquals(std::uint32_t nOffset, std::uint8_t nExpected) {
        const std::uint64_t nGiveUp = nNow + kPollGiveUp;
        while (Read(nOffset) != nExpected && nNow < nGiveUp) {
            nNow += kPollInterval;
        }
        return nNow;
    }
    // Toggle polling; returns when two consecutive reads agree.
    std::uint64_t PollUntilStable(std::uint32_t nOffset) {
        const std::uint64_t nGiveUp = nNow + kPollGiveUp;
        while (Read(nOffset) != Read(nOffset) && nNow < nGiveUp) {
            nNow += kPollInterval;
        }
        return nNow;
    }

    CNorFlashChip chip;
    std::uint64_t nNow = 1000;
};

TEST(NorFlashChipTest, IdModeGivesEveryModelsCodesInTableOrder) {
    struct Expected {
        std::string_view name;
        std::uint8_t nManufacturer;
        std::uint8_t nDevice;
        bool bContinuation;
        std::uint32_t nSize;
    };
    const Expected kExpected[] = {
        {"AMD AM29LV010B", 0x01, 0x6E, false, 0x20000},
        {"AMD AM29LV040B", 0x01, 0x4F, false, 0x80000},
        {"EON EN29LV512", 0x1C, 0x6F, true, 0x10000},
        {"EON EN29LV010", 0x1C, 0x6E, true, 0x20000},
        {"EON EN29LV040A", 0x1C, 0x4F, true, 0x80000},
        {"EON EN39LV010", 0x1C, 0xD5, true, 0x20000},
        {"ATMEL AT29LV010", 0x1F, 0x35, false, 0x20000},
        {"ATMEL AT29LV020", 0x1F, 0xBA, false, 0x40000},
        {"ATMEL AT29LV040A", 0x1F, 0xC4, false, 0x80000},
        {"ST M29W010", 0x20, 0x23, false, 0x20000},
        {"ST M29W040", 0x20, 0xE3, false, 0x80000},
        {"SST SST39VF512", 0xBF, 0xD4, false, 0x10000},
        {"SST SST39VF010", 0xBF, 0xD5, false, 0x20000},
        {"SST SST39VF020", 0xBF, 0xD6, false, 0x40000},
        {"SST SST39VF040", 0xBF, 0xD7, false, 0x80000},
        {"WINBOND W39L010", 0xDA, 0x31, false, 0x20000},
    };
    ASSERT_EQ(emu::NorChipModels().size(), std::size(kExpected));
    EXPECT_EQ(emu::FindNorChipModel("SST SST39VF02"), nullptr);
    for (std::size_t i = 0; i < std::size(kExpected); ++i) {
        const Expected& want = kExpected[i];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(emu::NorChipModels()[i].pszName, want.name);
        CHost host(want.name);
        EXPECT_EQ(host.chip.Contents().size(), want.nSize);

        // Upper address lines are not decoded, so aliases of 0x5555/0x2AAA unlock too.
        host.Write(0x1D555, 0xAA);
        host.Write(0x1AAAA, 0x55);
        host.Write(0x5555, 0x90);
        EXPECT_EQ(host.Read(0), want.bContinuation ? 0x7F : want.nManufacturer);
        EXPECT_EQ(host.Read(1), want.nDevice);
        EXPECT_EQ(host.Read(want.nSize + 1), want.nDevice);
        EXPECT_EQ(host.Read(0x100), want.bContinuation ? want.nManufacturer : 0x00);
        EXPECT_EQ(host.Read(0x101), want.bContinuation ? want.nDevice : 0x00);
        EXPECT_EQ(host.Read(2), 0x00);

        host.Command(0xF0);
        EXPECT_EQ(host.Read(1), 0xFF);
        host.Command(0x90);
        host.Write(0x1234, 0xF0);
        EXPECT_EQ(host.Read(1), 0xFF) << "a lone reset leaves ID mode";
        EXPECT_EQ(host.chip.Stats().nRejectedCycles, 0u);
    }
}

enum class EErase { Sector, Chip };

struct FamilyCase {
    std::string_view name;
    EErase eErase;
};

// Without it the test's name would be made from the struct's bytes,
// padding included, which were never set.
void PrintTo(const FamilyCase& familyCase, std::ostream* pOut) {
    *pOut << familyCase.name;
}

class NorFlashFamilyTest : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(NorFlashFamilyTest, EraseThenProgramTakesTheBusyTimes) {
    CHost host(GetParam().name);
    const NorChipModel& model = host.chip.Model();
    host.chip.SetContents(std::vector<std::uint8_t>(model.nSize, 0x00));
    const std::uint32_t nAddress = 0x14321;

    const bool bSector = GetParam().eErase == EErase::Sector;
    const std::uint64_t nErased = bSector ? host.EraseSector(nAddress) : host.EraseChip();
    const std::uint32_t nEraseTime =
        bSector ? model.nSectorEraseMicroseconds : model.nChipEraseMicroseconds;
    const std::uint8_t nFirst = host.Read(nAddress);
    const std::uint8_t nSecond = host.Read(nAddress);
    EXPECT_EQ(nFirst & 0xBF, 0) << "DQ7 is 0 while erasing";
    EXPECT_NE(nFirst & 0x40, nSecond & 0x40) << "DQ6 toggles";
    EXPECT_GE(host.PollUntilStable(nAddress) - nErased, nEraseTime);
    EXPECT_LT(host.nNow - nErased, nEraseTime + 3 * kPollInterval);

    if (bSector) {
        const std::uint32_t nBase = nAddress / model.nSectorSize * model.nSectorSize;
        EXPECT_EQ(host.chip.Contents()[nBase - 1], 0x00);
        EXPECT_EQ(host.chip.Contents()[nBase], 0xFF);
        EXPECT_EQ(host.chip.Contents()[nBase + model.nSectorSize - 1], 0xFF);
        EXPECT_EQ(host.chip.Contents()[nBase + model.nSectorSize], 0x00);
    } else {
        EXPECT_EQ(host.chip.Contents(), std::vector<std::uint8_t>(model.nSize, 0xFF));
    }

    const std::vector<std::uint8_t> data = {0x12, 0x80, 0x00, 0x5A};
    std::uint32_t nProgramTime = 0;
    if (model.nPageSize != 0) {
        host.Command(0xA0);
        for (std::size_t i = 0; i < data.size(); ++i) {
            host.Write(nAddress + static_cast<std::uint32_t>(i), data[i]);
        }
        const std::uint64_t nLoaded = host.nNow - 1;
        EXPECT_GE(host.PollUntilEquals(nAddress + 3, data[3]) - nLoaded,
                  model.nPageWriteMicroseconds);
        nProgramTime = model.nPageWriteMicroseconds;
        EXPECT_EQ(host.chip.Stats().nPagesWritten, 1u);
    } else {
        for (std::size_t i = 0; i < data.size(); ++i) {
            const std::uint32_t nOffset = nAddress + static_cast<std::uint32_t>(i);
            const std::uint64_t nWritten = host.ProgramByte(nOffset, data[i]);
            EXPECT_GE(host.PollUntilEquals(nOffset, data[i]) - nWritten,
                      model.nByteProgramMicroseconds);
            nProgramTime += model.nByteProgramMicroseconds;
        }
        EXPECT_EQ(host.chip.Stats().nBytesProgrammed, data.size());
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        EXPECT_EQ(host.Read(nAddress + static_cast<std::uint32_t>(i)), data[i]);
    }
    EXPECT_EQ(host.chip.Stats().nSectorErases + host.chip.Stats().nChipErases, 1u);
    EXPECT_EQ(host.chip.Stats().nBusyMicroseconds, nEraseTime + nProgramTime);
    EXPECT_EQ(host.chip.Stats().nRejectedCycles, 0u);
}

INSTANTIATE_TEST_SUITE_P(Families, NorFlashFamilyTest,
                         ::testing::Values(FamilyCase{"SST SST39VF020", EErase::Sector},
                                           FamilyCase{"EON EN29LV040A", EErase::Sector},
                                           FamilyCase{"AMD AM29LV010B", EErase::Chip},
                                           FamilyCase{"ATMEL AT29LV040A", EErase::Chip}));

TEST(NorFlashChipTest, ProgrammingOnlyClearsBits) {
    const std::pair<std::uint8_t, std::uint8_t> kCases[] = {
        {0xF0, 0x0F}, {0x3C, 0xFF}, {0xFF, 0xA5}, {0x00, 0xFF}};
    for (const auto& [nOld, nData] : kCases) {
        CHost host("WINBOND W39L010");
        host.chip.SetContents(std::vector<std::uint8_t>{nOld});
        host.ProgramByte(0, nData);
        host.PollUntilStable(0);
        EXPECT_EQ(host.Read(0), nOld & nData) << int{nOld} << " & " << int{nData};
    }
}

TEST(NorFlashChipTest, BrokenSequencesChangeNothingAndReturnToReadMode) {
    using Cycles = std::vector<std::pair<std::uint32_t, std::uint8_t>>;
    const struct {
        std::string_view name;
        Cycles cycles;
    } kCases[] = {
        {"SST SST39VF010", {{0x5554, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0xA0}, {0x10, 0x00}}},
        {"SST SST39VF010", {{0x5555, 0xAA}, {0x2AAA, 0x54}, {0x5555, 0xA0}, {0x10, 0x00}}},
        {"SST SST39VF010", {{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5556, 0xA0}, {0x10, 0x00}}},
        {"SST SST39VF010", {{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x77}, {0x10, 0x00}}},
        {"ST M29W010",
         {{0x5555, 0xAA},
          {0x2AAA, 0x55},
          {0x5555, 0x80},
          {0x5555, 0xAA},
          {0x2AAB, 0x55},
          {0x5555, 0x10}}},
        {"ST M29W010",
         {{0x5555, 0xAA},
          {0x2AAA, 0x55},
          {0x5555, 0x80},
          {0x5555, 0xAA},
          {0x2AAA, 0x55},
          {0x5556, 0x10}}},
        {"ST M29W010",
         {{0x5555, 0xAA},
          {0x2AAA, 0x55},
          {0x5555, 0x80},
          {0x0000, 0xF0},
          {0x5555, 0xAA},
          {0x2AAA, 0x55},
          {0x5555, 0x10}}},
        {"ATMEL AT29LV010",
         {{0x5555, 0xAA},
          {0x2AAA, 0x55},
          {0x5555, 0x80},
          {0x5555, 0xAA},
          {0x2AAA, 0x55},
          {0x0010, 0x30}}},
    };
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        SCOPED_TRACE(i);
        CHost host(kCases[i].name);
        const std::vector<std::uint8_t> before(host.chip.Contents().size(), 0x5A);
        host.chip.SetContents(before);
        for (const auto& [nOffset, nValue] : kCases[i].cycles) {
            host.Write(nOffset, nValue);
        }
        EXPECT_FALSE(host.chip.IsBusy(host.nNow));
        EXPECT_EQ(host.chip.Contents(), before);
        EXPECT_GT(host.chip.Stats().nRejectedCycles, 0u);
        EXPECT_EQ(host.Read(0x10), 0x5A);

        host.EraseChip();
        host.PollUntilStable(0x10);
        EXPECT_EQ(host.Read(0x10), 0xFF) << "a correct sequence works afterwards";
    }
}

TEST(NorFlashChipTest, PageWriteReplacesTheWholePage) {
    CHost host("ATMEL AT29LV020");
    host.chip.SetContents(std::vector<std::uint8_t>(0x400, 0x0F));
    host.Command(0xA0);
    host.Write(0x205, 0xF0);
    host.Write(0x27F, 0x00);
    host.PollUntilEquals(0x27F, 0x00);

    const std::vector<std::uint8_t>& contents = host.chip.Contents();
    EXPECT_EQ(contents[0x1FF], 0x0F);
    EXPECT_EQ(contents[0x200], 0xFF);
    EXPECT_EQ(contents[0x205], 0xF0) << "the page is erased, so bits can rise";
    EXPECT_EQ(contents[0x27E], 0xFF);
    EXPECT_EQ(contents[0x27F], 0x00);
    EXPECT_EQ(contents[0x280], 0x0F);

    host.Command(0xA0);
    host.Write(0x280, 0x33);
    host.PollUntilEquals(0x280, 0x33);
    EXPECT_EQ(contents[0x285], 0xFF) << "nothing carried over from the previous page";
    EXPECT_EQ(host.chip.Stats().nPagesWritten, 2u);
}

TEST(NorFlashChipTest, PageLoadEndsOnReadOtherPageOrPause) {
    const struct {
        std::string_view what;
        std::uint64_t nDelay;  // after the first load write
        bool bRead;
        std::uint32_t nOffset;
        std::uint8_t nAt101;
        std::uint64_t nLoadEnd;  // after the first load write
    } kCases[] = {
        {"a read", 1, true, 0x101, 0xFF, 1},
        {"a write to another page", 1, false, 0x180, 0xFF, 1},
        {"a pause beyond the load limit", 151, false, 0x101, 0xFF, 150},
        {"a pause within the load limit", 150, false, 0x101, 0x22, 151},
    };
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.what);
        CHost host("ATMEL AT29LV010");
        host.chip.SetContents(std::vector<std::uint8_t>(0x200, 0x00));
        host.Command(0xA0);
        const std::uint64_t nFirst = host.Write(0x100, 0x11);
        host.nNow = nFirst + test.nDelay;
        if (test.bRead) {
            host.Read(test.nOffset);
        } else {
            host.Write(test.nOffset, 0x22);
        }
        host.Read(0x100);
        EXPECT_EQ(host.chip.BusyUntil(), nFirst + test.nLoadEnd + 10'000);
        host.PollUntilStable(0x100);
        EXPECT_EQ(host.Read(0x100), 0x11);
        EXPECT_EQ(host.Read(0x101), test.nAt101);
        EXPECT_EQ(host.Read(0x180), 0x00) << "the next page is untouched";
        EXPECT_EQ(host.chip.Stats().nPagesWritten, 1u);
    }
}

TEST(NorFlashChipTest, WritesWhileBusyAreIgnored) {
    CHost host("SST SST39VF512");
    host.ProgramByte(0x10, 0x00);
    host.ProgramByte(0x20, 0x00);
    host.Write(0x0, 0xF0);
    host.EraseChip();
    host.PollUntilEquals(0x10, 0x00);
    EXPECT_EQ(host.Read(0x20), 0xFF);
    EXPECT_EQ(host.chip.Stats().nRejectedCycles, 4u + 1u + 6u);
    EXPECT_EQ(host.chip.Stats().nBytesProgrammed, 1u);
    EXPECT_EQ(host.chip.Stats().nChipErases, 0u);

    host.ProgramByte(0x20, 0x00);
    host.PollUntilEquals(0x20, 0x00);
    EXPECT_EQ(host.Read(0x20), 0x00) << "the chip took commands again once idle";
}

TEST(NorFlashChipTest, StatusShowsInvertedDataBitWhileProgramming) {
    for (const std::uint8_t nData : {std::uint8_t{0x00}, std::uint8_t{0x80}, std::uint8_t{0x7F}}) {
        CHost host("AMD AM29LV040B");
        host.ProgramByte(0x10, nData);
        const std::uint8_t nFirst = host.Read(0x10);
        const std::uint8_t nSecond = host.Read(0x10);
        EXPECT_EQ(nFirst & 0xBF, ~nData & 0x80) << int{nData};
        EXPECT_EQ(nSecond & 0xBF, ~nData & 0x80) << int{nData};
        EXPECT_NE(nFirst & 0x40, nSecond & 0x40);
    }
}

TEST(NorFlashChipTest, PowerCycleDropsLoadsModesAndBusy) {
    CHost host("ATMEL AT29LV010");
    host.chip.SetContents(std::vector<std::uint8_t>{0x00, 0x00});
    host.Command(0xA0);
    host.Write(0x0, 0x11);
    host.chip.PowerCycle();
    EXPECT_EQ(host.Read(0x0), 0x00) << "the loaded page is lost";
    EXPECT_EQ(host.Read(0x1), 0x00);
    EXPECT_EQ(host.chip.Stats().nPagesWritten, 0u);
    host.Command(0xA0);
    host.Write(0x1, 0x22);
    host.PollUntilEquals(0x1, 0x22);
    EXPECT_EQ(host.Read(0x0), 0xFF) << "the lost byte is not written with the next page";

    host.Command(0x90);
    host.chip.PowerCycle();
    EXPECT_EQ(host.Read(0x1), 0x22) << "ID mode is forgotten";

    host.EraseChip();
    EXPECT_TRUE(host.chip.IsBusy(host.nNow));
    host.chip.PowerCycle();
    EXPECT_FALSE(host.chip.IsBusy(host.nNow));
    EXPECT_EQ(host.Read(0x0), 0xFF);
}

TEST(NorFlashChipTest, SetContentsFillsTheRestAndClipsToTheChip) {
    CHost host("SST SST39VF512");
    host.chip.SetContents(std::vector<std::uint8_t>(0x10000, 0x00));
    host.chip.SetContents(std::vector<std::uint8_t>{0x12, 0x34});
    EXPECT_EQ(host.chip.Contents()[1], 0x34);
    EXPECT_EQ(host.chip.Contents()[2], 0xFF);
    host.chip.SetContents(std::vector<std::uint8_t>(0x10001, 0x00));
    EXPECT_EQ(host.chip.Contents().size(), 0x10000u);
}

}  // namespace
}  // namespace rf::test
