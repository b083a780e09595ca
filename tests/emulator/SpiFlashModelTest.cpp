#include <gtest/gtest.h>

#include <initializer_list>

#include "emulator/SpiFlashModel.h"

namespace rf::emu {
namespace {

using Bytes = std::vector<BYTE>;

// One SPI command: select, the bytes, deselect; returns what came back.
Bytes Command(CSpiFlashChip& chip, std::initializer_list<BYTE> bytes, std::uint64_t nNow,
              std::size_t nRead = 0) {
    Bytes in;
    chip.Select(nNow);
    for (const BYTE b : bytes) {
        in.push_back(chip.Transfer(b, nNow));
    }
    Bytes out;
    for (std::size_t i = 0; i < nRead; ++i) {
        out.push_back(chip.Transfer(0xFF, nNow));
    }
    chip.Deselect(nNow);
    return out;
}

TEST(SpiFlashModelTest, IdentificationAnswersAlternateCodes) {
    CSpiFlashChip chip(*FindSpiChipModel("WINBOND W25X80A"));
    EXPECT_EQ(Command(chip, {0x90, 0, 0, 0}, 0, 3), (Bytes{0xEF, 0x13, 0xEF}));
    EXPECT_EQ(Command(chip, {0x90, 0, 0, 1}, 0, 2), (Bytes{0x13, 0xEF}));
    EXPECT_EQ(Command(chip, {0x15}, 0, 2), (Bytes{0xFF, 0xFF})) << "not a command of this part";
}

TEST(SpiFlashModelTest, PageProgramClearsBitsWithinOnePage) {
    CSpiFlashChip chip(*FindSpiChipModel("WINBOND W25X10A"));
    Bytes contents(0x200, 0xFF);
    contents[0x1F8] = 0xF0;
    chip.SetContents(contents);
    std::uint64_t nNow = 0;
    // 12 bytes from 0x1F8: the last four wrap to the start of the page.
    Command(chip, {0x06}, nNow);
    Command(chip, {0x02, 0x00, 0x01, 0xF8, 0x0F, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, nNow);
    nNow += chip.Model().nPageProgramMicroseconds;
    EXPECT_EQ(Command(chip, {0x03, 0x00, 0x01, 0xF8}, nNow, 8), (Bytes{0x00, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Command(chip, {0x03, 0x00, 0x01, 0x00}, nNow, 5), (Bytes{9, 10, 11, 12, 0xFF}));
    EXPECT_EQ(Command(chip, {0x03, 0x00, 0x00, 0xFF}, nNow, 1), (Bytes{0xFF}))
        << "the page before is untouched";

    // Without write enable nothing is programmed or erased.
    Command(chip, {0x02, 0x00, 0x01, 0x00, 0x00}, nNow);
    Command(chip, {0xC7}, nNow);
    EXPECT_EQ(chip.Contents()[0x100], 9);
    EXPECT_EQ(chip.Stats().nIgnoredCommands, 2u);
}

TEST(SpiFlashModelTest, BusyForTheChipsTimeAndDeafMeanwhile) {
    CSpiFlashChip chip(*FindSpiChipModel("WINBOND W25X20A"));
    const std::uint32_t nErase = chip.Model().nChipEraseMicroseconds;
    Command(chip, {0x06}, 0);
    EXPECT_EQ(Command(chip, {0x05}, 0, 1), (Bytes{0x02})) << "write enabled";
    Command(chip, {0xC7}, 10);
    EXPECT_EQ(Command(chip, {0x05}, 10 + nErase - 1, 2), (Bytes{0x03, 0x03}));
    Command(chip, {0x06}, 20);
    Command(chip, {0x02, 0, 0, 0, 0x00}, 20);
    EXPECT_EQ(Command(chip, {0x05}, 10 + nErase, 1), (Bytes{0x00})) << "done, write enable gone";
    EXPECT_EQ(chip.Contents()[0], 0xFF) << "the program during the erase was not heard";
}

TEST(SpiFlashModelTest, ReadsContinueAcrossTheEndOfTheChip) {
    CSpiFlashChip chip(*FindSpiChipModel("WINBOND W25X10A"));
    Bytes contents(chip.Model().nSize, 0xFF);
    contents.front() = 0x11;
    contents.back() = 0x22;
    chip.SetContents(contents);
    const std::uint32_t nLast = chip.Model().nSize - 1;
    EXPECT_EQ(Command(chip,
                      {0x03, static_cast<BYTE>(nLast >> 16), static_cast<BYTE>(nLast >> 8),
                       static_cast<BYTE>(nLast)},
                      0, 2),
              (Bytes{0x22, 0x11}));
}

}  // namespace
}  // namespace rf::emu
