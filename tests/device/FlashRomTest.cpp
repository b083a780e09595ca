#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "base/Text.h"
#include "device/FlashChips.h"
#include "device/FlashRomCheck.h"
#include "device/FrontEndPump.h"
#include "support/EmulatorFixture.h"
#include "support/ProgressRecorder.h"
#include "support/ScriptedDevice.h"
#include "support/TestImages.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

constexpr std::size_t kCarriedImageSize = 55168;

// The bridge address of a FLASH window block.
DWORD BlockAddress(const std::array<BYTE, 16>& cdb) {
    return DWORD{cdb[2]} << 24 | DWORD{cdb[3]} << 16 | DWORD{cdb[4]} << 8 | cdb[5];
}

std::vector<std::string> ChipNamesWithAlgorithm(int nAlgorithm) {
    std::vector<std::string> names;
    for (const FlashChipInfo& chip : FlashChips()) {
        if (chip.nAlgorithm == nAlgorithm) {
            names.push_back(Utf16ToUtf8(chip.pszName));
        }
    }
    return names;
}

// The first block each algorithm keeps blank until the rest is written.
std::size_t FirstBlockSize(int nAlgorithm) {
    return nAlgorithm == FLASH_SECTOR_ERASE ? 4096 : 128;
}

// Image buffers as the image objects hold them: 0xFF after the image.
std::vector<BYTE> Held(std::vector<BYTE> image) {
    image.resize(std::max<std::size_t>(0x20000, image.size()), 0xFF);
    return image;
}

TEST(FlashIdentifyTest, EveryChipOfTheTableIsFoundByItsCodes) {
    for (const FlashChipInfo& chip : FlashChips()) {
        CEmulatorFixture fixture(Utf16ToUtf8(chip.pszName));
        ASSERT_TRUE(fixture.enclosure->IsRomMode());
        ASSERT_TRUE(fixture.OpenDevice());
        EXPECT_TRUE(fixture.device.m_bRomMode);
        EXPECT_EQ(fixture.device.m_wFlashId, chip.wId) << Utf16ToUtf8(chip.pszName);
        EXPECT_EQ(fixture.device.m_pFlashChip, &chip);
        EXPECT_EQ(fixture.device.m_dwFlashBase, 0x20000u);
        fixture.enclosure->Flash().PowerCycle();
        EXPECT_EQ(fixture.enclosure->Flash().Read(0, 0), 0xFF) << "ID mode was left";
    }
}

TEST(FlashIdentifyTest, UnknownCodesAndFailedCommands) {
    CTestEnvironment env;
    CScriptedDeviceSystem system;
    auto drive = system.AddDrive(u"/dev/sg1");
    CScsiDevice device(system);
    device.CDeviceBase::Open(u"/dev/sg1");
    // A maker in a later bank: codes at 0x100 and 0x101.
    drive->responder = [](const ScsiRequest& request) {
        const DWORD dwAddress = BlockAddress(request.Cdb);
        const std::map<DWORD, BYTE> codes = {
            {0x20000, 0x7F}, {0x20001, 0x99}, {0x20100, 0x12}, {0x20101, 0x34}};
        ScriptedAnswer answer;
        if (request.DataIn != 0) {
            answer.data = {codes.contains(dwAddress) ? codes.at(dwAddress) : BYTE{0}};
        }
        return answer;
    };
    EXPECT_EQ(device.IdentifyFlashChip(), 0x3412);
    EXPECT_EQ(device.m_wFlashId, 0x3412);
    EXPECT_EQ(device.m_pFlashChip, nullptr);

    drive->responder = [](const ScsiRequest&) { return ScriptedAnswer{.bDeliver = false}; };
    EXPECT_EQ(device.IdentifyFlashChip(), 0xFFFF);
    EXPECT_EQ(device.m_wFlashId, 0xFFFF);
    EXPECT_EQ(device.m_dwFlashBase, 0x20000u);
}

class RomPathTest : public ::testing::TestWithParam<int> {};

TEST_P(RomPathTest, CarriedSizeImageLandsInEveryChipOfTheAlgorithm) {
    const int nAlgorithm = GetParam();
    const std::vector<BYTE> image = MakeBridgeFirmware(kCarriedImageSize, "0.27", 7);
    const std::vector<BYTE> held = Held(image);
    for (const std::string& strChip : ChipNamesWithAlgorithm(nAlgorithm)) {
        CEmulatorFixture fixture(strChip);
        fixture.enclosure->EnableTrace(false);
        ASSERT_TRUE(fixture.OpenDevice());
        ASSERT_TRUE(fixture.device.WriteFlashRom(held.data(), kCarriedImageSize, nullptr))
            << strChip;
        EXPECT_EQ(fixture.FlashContents(kCarriedImageSize), image) << strChip;
        fixture.device.ResetAndClose();
        EXPECT_FALSE(fixture.enclosure->IsRomMode()) << strChip << " starts its new firmware";
        EXPECT_EQ(fixture.enclosure->Revision(), "0.27");
    }
}

TEST_P(RomPathTest, FirstBlockIsBlankedFirstAndWrittenLast) {
    const int nAlgorithm = GetParam();
    CEmulatorFixture fixture(ChipNamesWithAlgorithm(nAlgorithm).front());
    // The chip holds an older image: the first block must go blank at once.
    const std::vector<BYTE> old = MakeBridgeFirmware(kCarriedImageSize, "0.24", 3);
    fixture.enclosure->Flash().SetContents(old);
    ASSERT_TRUE(fixture.OpenDevice());
    const std::vector<BYTE> image = MakeBridgeFirmware(9000, "0.27", 8);
    const std::vector<BYTE> held = Held(image);
    fixture.enclosure->ClearTrace();
    ASSERT_TRUE(fixture.device.WriteFlashRom(held.data(), 9000, nullptr));

    // Follow the FLASH window: the writes after a program prefix are image
    // data; everything else at the unlock addresses is a command cycle.
    const std::size_t nBlock = FirstBlockSize(nAlgorithm);
    std::size_t nFirstTouch = SIZE_MAX;
    std::size_t nLastOtherData = 0;
    std::size_t nFirstBlockData = SIZE_MAX;
    bool bAfterPrefix = false;
    const auto& trace = fixture.enclosure->Trace();
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const auto& entry = trace[i];
        if (entry.cdb[0] != 0xFD) {
            continue;
        }
        const DWORD dwOffset = BlockAddress(entry.cdb) - 0x20000;
        const bool bWrite = entry.cdb[1] == 0x02;
        if (bWrite && (dwOffset == 0x5555 || dwOffset == 0x2AAA)) {
            bAfterPrefix = dwOffset == 0x5555 && entry.dataOut == std::vector<BYTE>{0xA0};
            continue;
        }
        if (dwOffset < nBlock && nFirstTouch == SIZE_MAX) {
            nFirstTouch = i;
        }
        const bool bData = bWrite && bAfterPrefix &&
                           entry.dataOut != std::vector<BYTE>(entry.dataOut.size(), 0xFF);
        if (bData && dwOffset >= nBlock) {
            nLastOtherData = i;
        }
        if (bData && dwOffset < nBlock && nFirstBlockData == SIZE_MAX) {
            nFirstBlockData = i;
        }
        if (!bWrite) {
            bAfterPrefix = false;
        }
    }
    EXPECT_LT(nFirstTouch, 10u) << "the first block is blanked before anything else";
    EXPECT_GT(nFirstBlockData, nLastOtherData) << "and written after everything else";
    EXPECT_NE(nFirstBlockData, SIZE_MAX);
}

TEST_P(RomPathTest, PowerLostAnywhereLeavesABridgeThatStartsInRomMode) {
    const int nAlgorithm = GetParam();
    const std::string strChip = ChipNamesWithAlgorithm(nAlgorithm).front();
    const std::vector<BYTE> image = MakeBridgeFirmware(6000, "0.27", 9);
    const std::vector<BYTE> held = Held(image);
    std::uint64_t nCommands = 0;
    {
        CEmulatorFixture fixture(strChip);
        fixture.enclosure->EnableTrace(false);
        ASSERT_TRUE(fixture.OpenDevice());
        const std::uint64_t nStart = fixture.enclosure->NextCommandIndex();
        ASSERT_TRUE(fixture.device.WriteFlashRom(held.data(), 6000, nullptr));
        nCommands = fixture.enclosure->NextCommandIndex() - nStart;
    }
    std::mt19937 random(static_cast<unsigned>(nAlgorithm));
    // Cuts before the verification starts: the image is not complete yet.
    std::uniform_int_distribution<std::uint64_t> pick(0, nCommands * 9 / 10);
    for (int nRun = 0; nRun < 8; ++nRun) {
        CEmulatorFixture fixture(strChip);
        fixture.enclosure->EnableTrace(false);
        fixture.InstallFirmware(MakeBridgeFirmware(6000, "0.24", 4));
        fixture.enclosure->PowerOff();
        fixture.enclosure->Flash().SetContents(fixture.FlashContents(6000));
        fixture.enclosure->PowerOn();
        ASSERT_FALSE(fixture.enclosure->IsRomMode());
        // The older firmware gets replaced from ROM mode: wipe its boot block.
        std::vector<BYTE> contents = fixture.FlashContents(6000);
        std::fill_n(contents.begin(), 4, BYTE{0xFF});
        fixture.enclosure->Flash().SetContents(contents);
        fixture.enclosure->PowerOn();
        ASSERT_TRUE(fixture.OpenDevice());
        const std::uint64_t nCut = fixture.enclosure->NextCommandIndex() + pick(random);
        fixture.enclosure->AddFault(emu::Fault{nCut, emu::FaultKind::PowerCut});
        EXPECT_FALSE(fixture.device.WriteFlashRom(held.data(), 6000, nullptr));
        fixture.enclosure->PowerOn();
        EXPECT_TRUE(fixture.enclosure->IsRomMode()) << strChip << " cut at " << nCut;
    }
}

INSTANTIATE_TEST_SUITE_P(Algorithms, RomPathTest,
                         ::testing::Values(FLASH_SECTOR_ERASE, FLASH_CHIP_ERASE, FLASH_PAGE_WRITE),
                         [](const auto& paramInfo) {
                             return paramInfo.param == FLASH_SECTOR_ERASE ? "SectorErase"
                                    : paramInfo.param == FLASH_CHIP_ERASE ? "ChipErase"
                                                                          : "PageWrite";
                         });

// The window's turns (a repaint, its timers) may take a millisecond, far
// longer than a page-write part waits for the next byte of a page: none may
// come between a page's prefix and its last byte.
TEST(FlashRomWriteTest, PageLoadGivesTheFrontEndNoTurnUntilItsLastByte) {
    CEmulatorFixture fixture("ATMEL AT29LV010");
    fixture.enclosure->EnableTrace(false);
    ASSERT_TRUE(fixture.OpenDevice());
    class CSlowTurn final : public IFrontEndPump {
    public:
        explicit CSlowTurn(CVirtualClock& clock) : m_clock(clock) {}
        void Pump() override { m_clock.Advance(1'000); }

    private:
        CVirtualClock& m_clock;
    };
    CSlowTurn turn(fixture.env.clock);
    const CScopedFrontEndPump scoped(turn);
    const std::vector<BYTE> image = MakeBridgeFirmware(9000, "0.27", 5);
    const std::vector<BYTE> held = Held(image);
    EXPECT_TRUE(fixture.device.WriteFlashRom(held.data(), 9000, nullptr));
    EXPECT_EQ(fixture.FlashContents(9000), image);
}

TEST(FirmwarePathTest, BridgeProgramsThePaddedImageWithTheFlashTypeByte) {
    CEmulatorFixture fixture;
    fixture.InstallFirmware(MakeBridgeFirmware(kCarriedImageSize, "0.24", 1));
    ASSERT_TRUE(fixture.OpenDevice());
    ASSERT_FALSE(fixture.device.m_bRomMode);
    fixture.device.m_dwFlashBase = 0x20000;  // as reading the firmware's version leaves it
    const std::vector<BYTE> image = MakeBridgeFirmware(kCarriedImageSize, "0.27", 2);
    const std::vector<BYTE> held = Held(image);
    CProgressRecorder recorder;
    fixture.enclosure->ClearTrace();
    ASSERT_TRUE(fixture.device.WriteFlashRom(held.data(), kCarriedImageSize, &recorder.progress));

    std::vector<BYTE> expected(55296, 0xFF);
    std::copy(image.begin(), image.end(), expected.begin());
    expected[0xD2] = 2;
    EXPECT_EQ(fixture.FlashContents(55296), expected);
    const auto& trace = fixture.enclosure->Trace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.front().cdb[0], 0xFE);
    EXPECT_EQ(trace.front().nLength, 55296u);
    EXPECT_EQ(trace.size(), 1 + 55296 / 64) << "one command, then the read-back";
    EXPECT_EQ(recorder.events[0],
              (CProgressRecorder::Event{CProgressRecorder::Event::Range, 0, 2 * 55296}));
    EXPECT_EQ(recorder.events[1], (CProgressRecorder::Event{CProgressRecorder::Event::Pos, 0, 0}));
    EXPECT_EQ(recorder.events[2].kind, CProgressRecorder::Event::Repaint);
    EXPECT_EQ(recorder.Positions()[1], 55296);
    EXPECT_EQ(recorder.Positions().back(), 2 * 55296);

    fixture.device.ResetAndClose();
    EXPECT_EQ(fixture.enclosure->Revision(), "0.27");
}

TEST(FirmwarePathTest, VerificationToleratesOnlyTheThreeDeviceBytes) {
    for (const DWORD dwChanged : {0xCFu, 0xD0u, 0xD1u, 0xD2u, 0xD3u}) {
        CTestEnvironment env;
        CScriptedDeviceSystem system;
        auto drive = system.AddDrive(u"/dev/sg1");
        CScsiDevice device(system);
        device.CDeviceBase::Open(u"/dev/sg1");
        const std::vector<BYTE> held = Held(MakeBridgeFirmware(1024, "0.27", 5));
        std::vector<BYTE> flash(held.begin(), held.begin() + 1024);
        flash[dwChanged] ^= 0x5A;
        drive->responder = [&](const ScsiRequest& request) {
            ScriptedAnswer answer;
            if (request.Cdb[0] == 0xFD) {
                const DWORD dwAddress = BlockAddress(request.Cdb) & 0xFFFF;
                const UINT nLength = UINT{request.Cdb[7]} << 8 | request.Cdb[8];
                answer.data.assign(flash.begin() + dwAddress, flash.begin() + dwAddress + nLength);
            }
            return answer;
        };
        const bool bTolerated = dwChanged >= 0xD0 && dwChanged <= 0xD2;
        EXPECT_EQ(device.WriteFlashRom(held.data(), 1024, nullptr), bTolerated)
            << std::hex << dwChanged;
    }
}

TEST(FlashRomWriteTest, OddLengthReadsTheLastByteWithATwoByteTransfer) {
    CEmulatorFixture fixture("SST SST39VF010");
    ASSERT_TRUE(fixture.OpenDevice());
    const std::vector<BYTE> image = MakeBridgeFirmware(4097 + 64, "0.27", 6);
    std::vector<BYTE> exact(image.begin(),
                            image.end());  // no 0xFF tail: nothing past it may be read
    exact.resize(0x20000, 0x00);
    fixture.enclosure->ClearTrace();
    ASSERT_TRUE(fixture.device.WriteFlashRom(exact.data(), 4161, nullptr));
    const auto& last = fixture.enclosure->Trace().back();
    EXPECT_EQ(last.cdb[0], 0xFD);
    EXPECT_EQ(last.nLength, 2u);
    EXPECT_EQ(last.cdb[5], (0x20000 + 4160) & 0xFF);
    EXPECT_EQ(fixture.FlashContents(4161), image);
}

TEST(FlashRomWriteTest, RomModeWithoutAKnownChipSendsNothing) {
    CTestEnvironment env;
    CScriptedDeviceSystem system;
    auto drive = system.AddDrive(u"/dev/sg1");
    CScsiDevice device(system);
    device.CDeviceBase::Open(u"/dev/sg1");
    device.m_bRomMode = true;
    const std::vector<BYTE> held = Held(MakeBridgeFirmware(4096, "0.27", 1));
    EXPECT_FALSE(device.WriteFlashRom(held.data(), 4096, nullptr));
    EXPECT_FALSE(device.WriteFlashRom(held.data(), 0, nullptr));
    EXPECT_TRUE(drive->requests.empty());
}

TEST(FlashRomWriteTest, AChipThatNeverFinishesFailsInBoundedTime) {
    for (const WORD wChip : {WORD{0xD6BF}, WORD{0x6E01}, WORD{0x351F}}) {
        CTestEnvironment env;
        CScriptedDeviceSystem system;
        auto drive = system.AddDrive(u"/dev/sg1");
        drive->responder = [&env](const ScsiRequest& request) {
            env.clock.Advance(10'000);  // a slow link: 10 ms a command
            ScriptedAnswer answer;
            if (request.DataIn != 0) {
                // Busy forever: status bits that toggle and never read as data.
                static BYTE nToggle = 0;
                nToggle ^= 0x40;
                answer.data.assign(request.DataTransferLength, nToggle);
            }
            return answer;
        };
        CScsiDevice device(system);
        device.CDeviceBase::Open(u"/dev/sg1");
        device.m_bRomMode = true;
        device.m_dwFlashBase = 0x20000;
        device.m_pFlashChip = FindFlashChip(wChip);
        const std::vector<BYTE> held = Held(MakeBridgeFirmware(8192, "0.27", 1));
        EXPECT_FALSE(device.WriteFlashRom(held.data(), 8192, nullptr)) << std::hex << wChip;
        EXPECT_LT(drive->requests.size(), 30'000u);
        EXPECT_LE(env.clock.NowMicroseconds() - 1'000'000'000, 250'000'000u)
            << "within the erase's bound";
    }
}

TEST(FlashRomProgressTest, SectorEraseWritesTheRestFirstThenTheFirstSector) {
    CEmulatorFixture fixture("SST SST39VF020");
    fixture.enclosure->EnableTrace(false);
    ASSERT_TRUE(fixture.OpenDevice());
    const std::vector<BYTE> held = Held(MakeBridgeFirmware(8192, "0.27", 2));
    CProgressRecorder recorder;
    ASSERT_TRUE(fixture.device.WriteFlashRom(held.data(), 8192, &recorder.progress));
    const std::vector<int> positions = recorder.Positions();
    EXPECT_EQ(recorder.events.front(),
              (CProgressRecorder::Event{CProgressRecorder::Event::Range, 0, 16384}));
    ASSERT_EQ(positions.size(), 8192u + 8192 / 64 + 1);
    for (int i = 0; i < 8192; ++i) {
        ASSERT_EQ(positions[static_cast<std::size_t>(i)], i);
    }
    EXPECT_EQ(positions[8192], 8192);
    EXPECT_EQ(positions.back(), 16384);
}

TEST(FlashRomProgressTest, ChipEraseBlankCheckRunsBelowZero) {
    CEmulatorFixture fixture("AMD AM29LV010B");
    fixture.enclosure->EnableTrace(false);
    ASSERT_TRUE(fixture.OpenDevice());
    const std::vector<BYTE> held = Held(MakeBridgeFirmware(1000, "0.27", 2));
    CProgressRecorder recorder;
    ASSERT_TRUE(fixture.device.WriteFlashRom(held.data(), 1000, &recorder.progress));
    const std::vector<int> positions = recorder.Positions();
    EXPECT_EQ(recorder.events.front(),
              (CProgressRecorder::Event{CProgressRecorder::Event::Range, -6553, 2000}));
    EXPECT_EQ(positions.front(), -6553);
    EXPECT_EQ(positions[1023], -6);
    EXPECT_EQ(positions[1024], 0);
    EXPECT_EQ(positions.back(), 2000);
}

// The updater's chip table and the emulated parts describe the same chips.
TEST(FlashChipTableTest, GeometryAgreesWithThePartsAndCoversTheirTimes) {
    for (const FlashChipInfo& chip : FlashChips()) {
        const std::string strName = Utf16ToUtf8(chip.pszName);
        const emu::NorChipModel* pModel = emu::FindNorChipModel(strName);
        ASSERT_NE(pModel, nullptr) << strName;
        EXPECT_EQ(chip.dwSize, pModel->nSize) << strName;
        EXPECT_EQ(chip.dwPageSize, pModel->nPageSize) << strName;
        if (chip.nAlgorithm == FLASH_SECTOR_ERASE) {
            EXPECT_EQ(chip.dwSectorSize, pModel->nSectorSize) << strName;
            EXPECT_GE(chip.nSectorEraseMilliseconds * 1000u, pModel->nSectorEraseMicroseconds);
        }
        // A maximum below the part's typical time would fail sound parts.
        EXPECT_GE(chip.nByteProgramMicroseconds, pModel->nByteProgramMicroseconds) << strName;
        EXPECT_GE(chip.nPageWriteMilliseconds * 1000u, pModel->nPageWriteMicroseconds) << strName;
        if (chip.nAlgorithm == FLASH_CHIP_ERASE) {
            EXPECT_GE(chip.nChipEraseMilliseconds * 1000u, pModel->nChipEraseMicroseconds)
                << strName;
        }
    }
}

// Refusals that need nothing from the chip come before the first command.
TEST(FlashRomRefusalTest, TooLargeImageAndPageWriteOnFullSpeedUsbSendNothing) {
    struct Case {
        const char* pszChip;
        const char* pszBus;
        std::size_t nSize;
        UINT nExpected;
    };
    for (const Case c : {Case{"SST SST39VF512", "usb2", 0x10001, IDS_ERR_FLASH_IMAGE_TOO_LARGE},
                         Case{"ATMEL AT29LV010", "usb11", 9000, IDS_ERR_FLASH_LINK_TOO_SLOW}}) {
        CEmulatorFixture fixture(c.pszChip, c.pszBus);
        ASSERT_TRUE(fixture.OpenDevice());
        const std::vector<BYTE> held = Held(MakeBridgeFirmware(c.nSize, "0.27", 2));
        EXPECT_EQ(FlashRomRefusal(fixture.device, static_cast<UINT>(c.nSize)), c.nExpected);
        fixture.enclosure->ClearTrace();
        EXPECT_FALSE(
            fixture.device.WriteFlashRom(held.data(), static_cast<UINT>(c.nSize), nullptr));
        EXPECT_TRUE(fixture.enclosure->Trace().empty()) << c.pszChip;
    }
}

// A page-write chip on a USB 2.0 host too slow for its byte-load window is
// found out by reads alone; a fast host passes.
TEST(FlashRomRefusalTest, PageWriteChipIsRefusedOnASlowHostByReadsOnly) {
    for (const char* pszBus : {"usb2", "usb2-slow", "ieee1394", "ieee1394-slow"}) {
        CEmulatorFixture fixture("ATMEL AT29LV010", pszBus);
        ASSERT_TRUE(fixture.OpenDevice());
        fixture.enclosure->ClearTrace();
        const bool bFast = std::string(pszBus) == "usb2" || std::string(pszBus) == "ieee1394";
        EXPECT_EQ(CheckFlashRomWrite(fixture.device, 9000),
                  bFast ? 0u : UINT{IDS_ERR_FLASH_LINK_TOO_SLOW})
            << pszBus;
        for (const auto& entry : fixture.enclosure->Trace()) {
            EXPECT_EQ(entry.direction, emu::TraceDirection::In) << pszBus;
        }
    }
}

// Every gap of every page load must fit in the 150 us window: one fast read
// among slow ones proves nothing, and a link that only just fits leaves no
// room for a page's data or the next hiccup.
TEST(FlashRomRefusalTest, PageWriteLinkIsJudgedByItsSlowestReadWithAMargin) {
    struct Case {
        std::vector<std::uint64_t> reads;  // microseconds each timed read takes
        UINT nExpected;
    };
    const Case cases[] = {
        {{125, 125, 125, 125}, 0},
        {{100, 300, 300, 300}, IDS_ERR_FLASH_LINK_TOO_SLOW},
        {{125, 125, 125, 140}, IDS_ERR_FLASH_LINK_TOO_SLOW},
    };
    for (const Case& c : cases) {
        CTestEnvironment env;
        CScriptedDeviceSystem system;
        auto drive = system.AddDrive(u"/dev/sg1");
        std::size_t nRead = 0;
        drive->responder = [&](const ScsiRequest& request) {
            env.clock.Advance(c.reads[nRead++ % c.reads.size()]);
            ScriptedAnswer answer;
            answer.data.assign(request.DataTransferLength, 0xFF);
            return answer;
        };
        CScsiDevice device(system);
        device.CDeviceBase::Open(u"/dev/sg1");
        device.m_bRomMode = true;
        device.m_dwFlashBase = 0x20000;
        device.m_pFlashChip = FindFlashChip(0x351F);
        EXPECT_EQ(CheckFlashRomWrite(device, 9000), c.nExpected) << c.reads[0] << " " << c.reads[3];
        EXPECT_EQ(nRead, 4u);
    }
}

}  // namespace
}  // namespace rf::test
