#include <gtest/gtest.h>

#include <cstring>

#include "base/Text.h"
#include "emulator/SpiFlashModel.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"
#include "support/EmulatorFixture.h"
#include "support/ProgressRecorder.h"
#include "support/UiTestImages.h"

namespace rf::test {
namespace {

using Bytes = std::vector<BYTE>;

constexpr std::size_t kPages = 119;
constexpr std::size_t kBlocks = 474;

// An enclosure whose controller runs its firmware, with the given SPI part.
struct SpiBench {
    explicit SpiBench(const emu::SpiChipModel& chip, const std::string& strBus = "usb2")
        : fixture("SST SST39VF020", strBus),
          controller(emu::FitUiController(*fixture.enclosure, chip)) {
        controller.InstallFirmware(MakeUiFirmware(0x29, 1));
        fixture.enclosure->EnableTrace(false);
        EXPECT_TRUE(fixture.OpenDevice());
        fixture.enclosure->ClearTrace();
    }
    const Bytes& Spi() const { return controller.SpiFlash().Contents(); }

    CEmulatorFixture fixture;
    emu::CEmulatedUiController& controller;
};

// Frames written to the link, as the controller received them.
std::vector<Bytes> LinkFrames(const emu::CEmulatedEnclosure& enclosure) {
    std::vector<Bytes> frames;
    for (const auto& entry : enclosure.Trace()) {
        if (entry.cdb[0] == 0xFA && entry.cdb[1] == 0x10) {
            frames.push_back(entry.dataOut);
        }
    }
    return frames;
}

// The first byte of every SPI command sent, in order.
Bytes SpiCommands(const emu::CEmulatedEnclosure& enclosure) {
    Bytes commands;
    bool bSelected = false;
    for (const Bytes& frame : LinkFrames(enclosure)) {
        const BYTE nCode = frame[2];
        if (nCode < 0x80 || nCode > 0x83) {
            continue;
        }
        if (!bSelected && nCode <= 0x81 && frame[1] > 1) {
            commands.push_back(frame[3]);
        }
        bSelected = nCode == 0x80 || nCode == 0x82;
    }
    return commands;
}

Bytes ResourceImageAsWritten() {
    Bytes image = MakeResourceData(kResourceDataSize, 0x23, 5);
    std::fill_n(image.begin(), 8, BYTE{0xFF});  // the magic comes last
    return image;
}

bool HasMagic(const Bytes& spi) {
    return std::memcmp(spi.data(), "RESOURCE", 8) == 0;
}

TEST(SpiFlashTest, EachPartIsIdentifiedAndOnlyTableCodesCount) {
    // A part that gives a foreign code to 0x90 and a table code to 0x15.
    static constexpr emu::SpiChipModel kSecondSource = {
        "SECOND SOURCE", 0x1F, 0x44, true, 0xEF, 0x12, 512 * 1024, 1'500, 4'000'000};
    std::vector<const emu::SpiChipModel*> models;
    for (const emu::SpiChipModel& model : emu::SpiChipModels()) {
        models.push_back(&model);
    }
    models.push_back(&kSecondSource);
    for (const emu::SpiChipModel* pModel : models) {
        SpiBench bench(*pModel);
        bench.fixture.enclosure->EnableTrace(true);
        CScsiDevice& device = bench.fixture.device;
        const WORD wFirst = static_cast<WORD>(pModel->nManufacturer | pModel->nDevice << 8);
        const SpiFlashChipInfo* pRow = FindSpiFlashChip(wFirst);
        const bool bSecond = pRow == nullptr;
        if (bSecond && pModel->bAnswersSecondId) {
            pRow = FindSpiFlashChip(
                static_cast<WORD>(pModel->nSecondManufacturer | pModel->nSecondDevice << 8));
        }
        EXPECT_EQ(IdentifySpiFlash(&device), pRow != nullptr ? pRow->wId : 0xFFFF)
            << pModel->pszName;
        EXPECT_EQ(device.m_pSpiFlashChip, pRow) << pModel->pszName;
        EXPECT_EQ(SpiCommands(*bench.fixture.enclosure),
                  bSecond ? (Bytes{0x90, 0x15}) : (Bytes{0x90}))
            << pModel->pszName;
    }
    EXPECT_EQ(SpiFlashChips().size(), 5u);
}

TEST(SpiFlashTest, CarriedSizeImageIsWrittenVerifiedAndMarkedLast) {
    const Bytes image = ResourceImageAsWritten();
    for (const char* pszBus : {"usb2", "usb11"}) {
        SpiBench bench(*emu::FindSpiChipModel("WINBOND W25X40A"), pszBus);
        bench.controller.SpiFlash().SetContents(MakeResourceData(kResourceDataSize, 0x22, 4));
        CScsiDevice& device = bench.fixture.device;
        CProgressRecorder write;
        ASSERT_TRUE(WriteSpiFlash(&device, &write.progress, image.data(), kResourceDataSize));
        EXPECT_EQ(write.events.front(), (CProgressRecorder::Event{CProgressRecorder::Event::Range,
                                                                  0, int{kResourceDataSize}}));
        EXPECT_EQ(write.Positions().size(), kPages);
        EXPECT_EQ(write.Positions().back(), 30208);
        EXPECT_EQ(bench.controller.SpiFlash().Stats().nChipErases, 1u);
        EXPECT_EQ(bench.controller.SpiFlash().Stats().nPagesProgrammed, kPages);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), bench.Spi().begin()));
        EXPECT_TRUE(std::all_of(bench.Spi().begin() + kResourceDataSize,
                                bench.Spi().begin() + kPages * 256,
                                [](BYTE b) { return b == 0xFF; }))
            << "the last page's tail stays blank";
        EXPECT_FALSE(HasMagic(bench.Spi()));

        bench.fixture.enclosure->EnableTrace(true);
        CProgressRecorder verify;
        ASSERT_TRUE(VerifySpiFlash(&device, &verify.progress, image.data(), kResourceDataSize));
        EXPECT_EQ(verify.Positions().size(), kBlocks + 1);
        EXPECT_EQ(verify.Positions().back(), int{kResourceDataSize});
        const std::vector<Bytes> frames = LinkFrames(*bench.fixture.enclosure);
        EXPECT_EQ(std::count(frames.begin(), frames.end(), Bytes{0x01, 0x02, 0x82, 60, 0x40, 0x03}),
                  std::ptrdiff_t{kBlocks});
        EXPECT_EQ(frames.back(), (Bytes{0x01, 0x01, 0x81, 0x7E, 0x03})) << "deselected at the end";

        ASSERT_TRUE(WriteResourceMagic(&device));
        EXPECT_TRUE(HasMagic(bench.Spi()));
        EXPECT_TRUE(std::equal(image.begin() + 8, image.end(), bench.Spi().begin() + 8));
        Bytes header(16);
        ASSERT_TRUE(ReadResourceHeaderSpi(&device, header.data()));
        EXPECT_EQ(header[8], 0x23);
    }
}

TEST(SpiFlashTest, VerifyFindsAnyDifferenceItCompares) {
    const Bytes image = ResourceImageAsWritten();
    struct Case {
        std::size_t nOffset;
        bool bCaught;
    };
    // The last block holds 37 image bytes; what follows them is not compared.
    for (const Case c :
         {Case{0, true}, Case{15'000, true}, Case{30'308, true}, Case{30'309, false}}) {
        SpiBench bench(*emu::FindSpiChipModel("WINBOND W25X10A"));
        Bytes contents = image;
        contents.resize(kPages * 256, 0xFF);
        contents[c.nOffset] ^= 0x01;
        bench.controller.SpiFlash().SetContents(contents);
        bench.fixture.enclosure->EnableTrace(true);
        EXPECT_EQ(VerifySpiFlash(&bench.fixture.device, nullptr, image.data(), kResourceDataSize),
                  !c.bCaught)
            << c.nOffset;
        EXPECT_EQ(LinkFrames(*bench.fixture.enclosure).back(),
                  (Bytes{0x01, 0x01, 0x81, 0x7E, 0x03}));
        EXPECT_FALSE(bench.controller.SpiFlash().IsSelected());
    }
}

bool UpdateResourceData(CScsiDevice& device, const Bytes& image) {
    return WriteSpiFlash(&device, nullptr, image.data(), kResourceDataSize) &&
           VerifySpiFlash(&device, nullptr, image.data(), kResourceDataSize) &&
           WriteResourceMagic(&device);
}

TEST(SpiFlashTest, PowerCutDuringTheWriteLeavesNoMagic) {
    const emu::SpiChipModel& chip = *emu::FindSpiChipModel("WINBOND W25X20A");
    const Bytes image = ResourceImageAsWritten();
    const Bytes older = MakeResourceData(kResourceDataSize, 0x22, 4);
    std::uint64_t nCommands = 0;
    std::uint64_t nMagicFrame = 0;  // the frame whose end programs the magic
    {
        SpiBench reference(chip);
        reference.controller.SpiFlash().SetContents(older);
        emu::CEmulatedEnclosure& enclosure = *reference.fixture.enclosure;
        enclosure.EnableTrace(true);
        const std::uint64_t nFirst = enclosure.NextCommandIndex();
        ASSERT_TRUE(UpdateResourceData(reference.fixture.device, image));
        nCommands = enclosure.NextCommandIndex() - nFirst;
        for (const auto& entry : enclosure.Trace()) {
            if (entry.cdb[1] == 0x10 && entry.dataOut.size() == 25 && entry.dataOut[2] == 0x81) {
                nMagicFrame = entry.nIndex - nFirst;
            }
        }
    }
    // While erasing, programming, verifying, and programming the magic.
    for (const std::uint64_t nCut :
         {std::uint64_t{12}, nCommands / 5, nCommands / 2, nCommands * 4 / 5, nMagicFrame}) {
        SpiBench bench(chip);
        bench.controller.SpiFlash().SetContents(older);
        emu::CEmulatedEnclosure& enclosure = *bench.fixture.enclosure;
        enclosure.AddFault(
            emu::Fault{enclosure.NextCommandIndex() + nCut, emu::FaultKind::PowerCut});
        CScsiDevice& device = bench.fixture.device;
        EXPECT_FALSE(UpdateResourceData(device, image)) << nCut;
        enclosure.PowerOn();
        EXPECT_FALSE(HasMagic(bench.Spi())) << "cut at command " << nCut << " of " << nCommands;

        device.Close();
        ASSERT_TRUE(bench.fixture.OpenDevice());
        ASSERT_TRUE(UpdateResourceData(device, image)) << "the next update starts afresh";
        EXPECT_TRUE(HasMagic(bench.Spi()));
    }
}

TEST(SpiFlashTest, BusyWaitsHaveALimit) {
    // Parts that never finish in time: an erase of 200 s, a page of 1 s.
    static constexpr emu::SpiChipModel kSlowErase = {"SLOW ERASE", 0xEF,  0x12,       false, 0, 0,
                                                     512 * 1024,   1'500, 200'000'000};
    static constexpr emu::SpiChipModel kSlowPage = {"SLOW PAGE", 0xEF,       0x12,      false,    0,
                                                    0,           512 * 1024, 1'000'000, 4'000'000};
    const Bytes image = ResourceImageAsWritten();
    for (const emu::SpiChipModel* pModel : {&kSlowErase, &kSlowPage}) {
        SpiBench bench(*pModel);
        const std::uint64_t nStart = bench.fixture.env.clock.NowMicroseconds();
        EXPECT_FALSE(WriteSpiFlash(&bench.fixture.device, nullptr, image.data(), kResourceDataSize))
            << pModel->pszName;
        EXPECT_LT(bench.fixture.env.clock.NowMicroseconds() - nStart, 130'000'000u);
        EXPECT_LE(bench.controller.SpiFlash().Stats().nPagesProgrammed, 1u) << pModel->pszName;
    }
}

TEST(SpiFlashTest, UnknownPartIsNeverWritten) {
    SpiBench bench(*emu::FindSpiChipModel("MACRONIX MX25L4005A"));
    const Bytes before = bench.Spi();
    CScsiDevice& device = bench.fixture.device;
    const Bytes image = ResourceImageAsWritten();
    BYTE nStatus = 0;
    EXPECT_FALSE(WriteSpiFlash(&device, nullptr, image.data(), kResourceDataSize));
    EXPECT_FALSE(WriteResourceMagic(&device));
    EXPECT_FALSE(ReadSpiStatus(&device, &nStatus));
    EXPECT_FALSE(ProgramSpiPage(&device, 0, image.data()));
    EXPECT_EQ(device.m_wSpiFlashId, 0xFFFF);
    EXPECT_EQ(bench.Spi(), before);
    EXPECT_EQ(bench.controller.SpiFlash().Stats().nIgnoredCommands, 0u) << "nothing but questions";
}

// The SPI table and the emulated parts describe the same chips: the backup
// reads as many bytes as the table says, and a limit below the part's own
// time would fail sound parts.
TEST(SpiFlashTableTest, SizesAgreeWithThePartsAndTheMaximaCoverTheirTimes) {
    for (const SpiFlashChipInfo& chip : SpiFlashChips()) {
        const std::string strName = Utf16ToUtf8(chip.pszName);
        const emu::SpiChipModel* pModel = emu::FindSpiChipModel(strName);
        ASSERT_NE(pModel, nullptr) << strName;
        EXPECT_EQ(chip.dwSize, pModel->nSize) << strName;
        EXPECT_GE(chip.nPageProgramMicroseconds, pModel->nPageProgramMicroseconds) << strName;
        EXPECT_GE(std::uint64_t{chip.nChipEraseMilliseconds} * 1000, pModel->nChipEraseMicroseconds)
            << strName;
    }
}

}  // namespace
}  // namespace rf::test
