#include <gtest/gtest.h>

#include <vector>

#include "emulator/NorFlashChip.h"
#include "emulator/SpiFlashModel.h"

namespace rf::emu {
namespace {

// Commands of the JEDEC set, one bus cycle each at its own microsecond.
struct CChipAtHand {
    explicit CChipAtHand(const char* pszName) : chip(*FindNorChipModel(pszName)) {}
    void Cycle(std::uint32_t nOffset, std::uint8_t nValue) { chip.Write(nOffset, nValue, nNow++); }
    void Unlock() {
        Cycle(0x5555, 0xAA);
        Cycle(0x2AAA, 0x55);
    }
    void EraseSector(std::uint32_t nOffset) {
        Unlock();
        Cycle(0x5555, 0x80);
        Unlock();
        Cycle(nOffset, 0x30);
    }
    void ProgramByte(std::uint32_t nOffset, std::uint8_t nValue) {
        Unlock();
        Cycle(0x5555, 0xA0);
        Cycle(nOffset, nValue);
    }
    CNorFlashChip chip;
    std::uint64_t nNow = 0;
};

TEST(PowerLossModelTest, AnEraseCutShortHasZeroedItsFirstBytesBeforeAnyBitComesBack) {
    CChipAtHand host("SST SST39VF020");
    const std::vector<std::uint8_t> old(4096, 0x5A);
    host.chip.SetContents(old);
    host.EraseSector(0);
    const std::uint64_t nStart = host.nNow - 1;
    const std::uint64_t nBusy = host.chip.BusyUntil() - nStart;
    host.chip.PowerLoss(nStart + nBusy / 10);
    const auto& cells = host.chip.Contents();
    EXPECT_EQ(cells[0], 0x00) << "the marks at the start go first";
    EXPECT_EQ(cells[4095], 0x5A) << "the end of the sector not reached yet";
    EXPECT_EQ(cells[4096], 0xFF) << "outside the sector nothing changes";

    CChipAtHand late("SST SST39VF020");
    late.chip.SetContents(old);
    late.EraseSector(0);
    late.chip.PowerLoss(late.chip.BusyUntil() - nBusy / 4);
    int nErased = 0;
    for (std::uint32_t i = 0; i < 4096; ++i) {
        nErased += late.chip.Contents()[i] == 0xFF;
    }
    EXPECT_GT(nErased, 0);
    EXPECT_LT(nErased, 4096) << "half way through the erase proper, bits are still coming back";
}

TEST(PowerLossModelTest, AProgramCutShortLeavesABytePartWayAndAFinishedOneWhole) {
    CChipAtHand host("AMD AM29LV010B");
    host.ProgramByte(0x100, 0x00);
    host.chip.PowerLoss(host.nNow - 1 + 7);
    const std::uint8_t nPartial = host.chip.Contents()[0x100];
    EXPECT_NE(nPartial, 0xFF);
    EXPECT_NE(nPartial, 0x00);

    CChipAtHand done("AMD AM29LV010B");
    done.ProgramByte(0x100, 0x32);
    done.chip.PowerLoss(done.chip.BusyUntil());
    EXPECT_EQ(done.chip.Contents()[0x100], 0x32);
}

TEST(PowerLossModelTest, ASpiChipEraseCutShortLosesItsMagicFirst) {
    CSpiFlashChip chip(*FindSpiChipModel("WINBOND W25X40A"));
    std::vector<BYTE> old(0x1000, 0x41);
    std::copy_n("RESOURCE", 8, old.begin());
    chip.SetContents(old);
    std::uint64_t nNow = 0;
    auto command = [&](std::initializer_list<BYTE> bytes) {
        chip.Select(nNow);
        for (BYTE b : bytes) {
            chip.Transfer(b, nNow++);
        }
        chip.Deselect(nNow++);
    };
    command({0x06});
    command({0xC7});
    chip.PowerLoss(nNow + 1000);
    EXPECT_EQ(chip.Contents()[0], 0x00);
    EXPECT_EQ(chip.Contents()[0xFFF], 0x41);
}

}  // namespace
}  // namespace rf::emu
