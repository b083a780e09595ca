#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "programming/UiFlash.h"
#include "programming/UiLink.h"
#include "support/EmulatorFixture.h"
#include "support/ProgressRecorder.h"
#include "support/UiTestImages.h"

namespace rf::test {
namespace {

using Bytes = std::vector<BYTE>;

constexpr int kImageSize = int{kUiFirmwareSize};

// An enclosure whose controller runs older firmware, switched into its boot
// mode the way the update does it.
struct BootBench {
    explicit BootBench(const std::string& strBus = "usb2")
        : fixture("SST SST39VF020", strBus), controller(fixture.FitUiController()) {
        controller.InstallFirmware(MakeUiFirmware(0x25, 1));
        fixture.enclosure->EnableTrace(false);
        EXPECT_TRUE(fixture.OpenDevice());
        EnterBootMode();
    }
    void EnterBootMode() {
        EXPECT_TRUE(fixture.device.SetUiMode(1));
        Sleep(2000);
        EXPECT_TRUE(fixture.device.SetUiMode(4));
        Sleep(50);
    }
    // What a fresh start of the enclosure finds: true when the controller
    // runs firmware of that version.
    bool RunsVersion(WORD wVersion) {
        fixture.device.ResetAndClose();
        if (!fixture.OpenDevice() || fixture.device.GetUiState() != 2) {
            return false;
        }
        BYTE version[6] = {};
        return ReadUiVersion(&fixture.device, version) &&
               (version[0] | version[1] << 8) == wVersion;
    }
    std::uint64_t Now() { return fixture.env.clock.NowMicroseconds(); }

    CEmulatorFixture fixture;
    emu::CEmulatedUiController& controller;
};

std::vector<Bytes> DataFramesWritten(const emu::CEmulatedEnclosure& enclosure) {
    std::vector<Bytes> frames;
    for (const auto& entry : enclosure.Trace()) {
        if (entry.cdb[1] == 0x10 && !entry.dataOut.empty() && entry.dataOut[0] == 0x02) {
            frames.push_back(entry.dataOut);
        }
    }
    return frames;
}

// Loaders acknowledge the security data frame with a command's one-byte
// status or with a data frame's two bytes; both close the programming, and a
// refusal in either form (in two bytes: ACK for the frame, then the error)
// fails it.
TEST(UiFlashTest, SecurityDataStatusIsJudgedInEitherForm) {
    const Bytes image = MakeUiFirmware(0x29, 2);
    for (const bool bRefused : {false, true}) {
        for (const bool bTwoBytes : {false, true}) {
            BootBench bench;
            bench.controller.Timing().bTwoByteSecurityStatus = bTwoBytes;
            bench.controller.Timing().bRefuseSecuritySetting = bRefused;
            EXPECT_EQ(ProgramUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize),
                      !bRefused)
                << (bTwoBytes ? "two bytes" : "one byte") << (bRefused ? ", refused" : "");
            EXPECT_EQ(bench.controller.ProgramFlash().bValid, !bRefused);
            EXPECT_EQ(bench.RunsVersion(0x29), !bRefused);
        }
    }
}

TEST(UiFlashTest, ImageIsProgrammedAndVerifiedInPacketsTheBusCarries) {
    struct Case {
        const char* pszBus;
        std::size_t nChunk;
        std::size_t nFrames;
    };
    const Bytes image = MakeUiFirmware(0x29, 2);
    for (const Case c : {Case{"usb2", 256, 240}, Case{"usb11", 60, 1024}}) {
        BootBench bench(c.pszBus);
        emu::CEmulatedEnclosure& enclosure = *bench.fixture.enclosure;
        enclosure.EnableTrace(true);
        CProgressRecorder program;
        ASSERT_TRUE(
            ProgramUiFlash(&bench.fixture.device, &program.progress, image.data(), kUiFirmwareSize))
            << c.pszBus;
        EXPECT_EQ(bench.controller.ProgramFlash().contents, image);
        EXPECT_TRUE(bench.controller.ProgramFlash().bValid);
        std::vector<Bytes> frames = DataFramesWritten(enclosure);
        ASSERT_EQ(frames.size(), c.nFrames + 1) << "and the security data";
        EXPECT_EQ(frames.back(), (Bytes{0x02, 0x02, 0xFF, 0x03, 0xFC, 0x03}));
        frames.pop_back();
        EXPECT_EQ(frames.front().size(), c.nChunk + 4);
        EXPECT_EQ(frames.front().back(), 0x17);
        EXPECT_EQ(frames.back().back(), 0x03);
        EXPECT_EQ(program.events.front(),
                  (CProgressRecorder::Event{CProgressRecorder::Event::Range, -12288, 73728}));
        const std::vector<int> positions = program.Positions();
        EXPECT_EQ(positions.front(), -12288);
        EXPECT_EQ(std::vector<int>(positions.end() - 4, positions.end()),
                  (std::vector<int>{kImageSize, 65536, 69632, 73728}));

        enclosure.ClearTrace();
        CProgressRecorder verify;
        ASSERT_TRUE(
            VerifyUiFlash(&bench.fixture.device, &verify.progress, image.data(), kUiFirmwareSize));
        EXPECT_EQ(DataFramesWritten(enclosure).size(), c.nFrames);
        const Bytes& command = enclosure.Trace().front().dataOut;
        EXPECT_EQ(command,
                  (Bytes{0x01, 0x07, 0x13, 0x00, 0x00, 0x00, 0x00, 0xEF, 0xFF, 0xF8, 0x03}))
            << "the range ends at 0xEFFF";
        EXPECT_EQ(verify.Positions().front(), -10);
        EXPECT_EQ(verify.Positions().back(), kImageSize);
        EXPECT_TRUE(bench.RunsVersion(0x29)) << c.pszBus;
    }
}

TEST(UiFlashTest, VerifyFindsADifferenceAnywhere) {
    const Bytes image = MakeUiFirmware(0x29, 2);
    BootBench bench;
    ASSERT_TRUE(ProgramUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
    for (const std::size_t nOffset : {std::size_t{0}, std::size_t{0x9A}, kUiFirmwareSize - 1}) {
        Bytes other = image;
        other[nOffset] ^= 0x80;
        EXPECT_FALSE(VerifyUiFlash(&bench.fixture.device, nullptr, other.data(), kUiFirmwareSize))
            << nOffset;
    }
    EXPECT_TRUE(VerifyUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
}

TEST(UiFlashTest, EraseAnsweredWithoutAckAHundredTimesIsTakenAsDone) {
    BootBench bench;
    bench.controller.Timing().nChipEraseMicroseconds = 100'000;  // done before the first poll
    emu::CEmulatedEnclosure& enclosure = *bench.fixture.enclosure;
    // Reset and its status take four commands, the erase one; each poll
    // then writes its request and reads the status in two pieces.
    const std::uint64_t nFirstPoll = enclosure.NextCommandIndex() + 5;
    for (std::uint64_t nPoll = 0; nPoll < 100; ++nPoll) {
        enclosure.AddFault(emu::Fault{nFirstPoll + 3 * nPoll + 2, emu::FaultKind::LinkNak});
    }
    bench.fixture.env.clock.ClearSleeps();
    const Bytes image = MakeUiFirmware(0x29, 3);
    ASSERT_TRUE(ProgramUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
    // 439 ms before the first poll and 1,076 ms before each of the other 99,
    // waited in slices that keep the window alive.
    const auto& sleeps = bench.fixture.env.clock.Sleeps();
    const std::uint64_t nWaited = std::accumulate(sleeps.begin(), sleeps.end(), std::uint64_t{0});
    EXPECT_GE(nWaited, 439'000u + 99 * 1'076'000u);
    EXPECT_LE(*std::max_element(sleeps.begin(), sleeps.end()), 50'000u);
    EXPECT_TRUE(VerifyUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
}

TEST(UiFlashTest, StatusWaitEndsAtItsDeadlineOrAtAFailedTransfer) {
    const Bytes image = MakeUiFirmware(0x29, 3);
    {
        BootBench bench;
        bench.controller.Timing().nChipEraseMicroseconds = 30'000'000;
        const std::uint64_t nStart = bench.Now();
        EXPECT_FALSE(ProgramUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
        const std::uint64_t nWaited = bench.Now() - nStart;
        EXPECT_GT(nWaited, 10'439'000u) << "the erase was asked after for 10 seconds";
        EXPECT_LT(nWaited, 10'600'000u);
        EXPECT_EQ(bench.controller.BootStats().nFramesProgrammed, 0u);
    }
    {
        BootBench bench;
        emu::CEmulatedEnclosure& enclosure = *bench.fixture.enclosure;
        enclosure.AddFault(emu::Fault{enclosure.NextCommandIndex() + 1, emu::FaultKind::Fail});
        const std::uint64_t nStart = bench.Now();
        EXPECT_FALSE(ProgramUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
        EXPECT_LT(bench.Now() - nStart, 100'000u) << "the status request did not get through";
        EXPECT_EQ(bench.controller.BootStats().nErases, 0u);
    }
}

TEST(UiFlashTest, PowerCutWhileProgrammingLeavesAControllerTheNextUpdateCanProgram) {
    const Bytes image = MakeUiFirmware(0x29, 4);
    std::uint64_t nCommands = 0;
    {
        BootBench reference;
        const std::uint64_t nFirst = reference.fixture.enclosure->NextCommandIndex();
        ASSERT_TRUE(
            ProgramUiFlash(&reference.fixture.device, nullptr, image.data(), kUiFirmwareSize));
        nCommands = reference.fixture.enclosure->NextCommandIndex() - nFirst;
    }
    // During the erase, early and late in the programming, before the security setting.
    for (const std::uint64_t nCut :
         {std::uint64_t{6}, nCommands / 4, nCommands * 3 / 4, nCommands - 12}) {
        BootBench bench;
        emu::CEmulatedEnclosure& enclosure = *bench.fixture.enclosure;
        enclosure.AddFault(
            emu::Fault{enclosure.NextCommandIndex() + nCut, emu::FaultKind::PowerCut});
        EXPECT_FALSE(ProgramUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
        enclosure.PowerOn();
        bench.fixture.device.Close();
        ASSERT_TRUE(bench.fixture.OpenDevice());
        EXPECT_EQ(bench.fixture.device.GetUiState(), 0) << "no firmware after a cut at " << nCut;

        bench.EnterBootMode();
        ASSERT_EQ(bench.fixture.device.GetUiState(), 4);
        ASSERT_TRUE(ProgramUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
        ASSERT_TRUE(VerifyUiFlash(&bench.fixture.device, nullptr, image.data(), kUiFirmwareSize));
        EXPECT_TRUE(bench.RunsVersion(0x29));
    }
}

TEST(UiFlashTest, NothingIsSentForAnEmptyImage) {
    BootBench bench;
    const std::uint64_t nBefore = bench.fixture.enclosure->NextCommandIndex();
    const BYTE nByte = 0;
    EXPECT_FALSE(ProgramUiFlash(&bench.fixture.device, nullptr, &nByte, 0));
    EXPECT_FALSE(VerifyUiFlash(&bench.fixture.device, nullptr, nullptr, 16));
    EXPECT_EQ(bench.fixture.enclosure->NextCommandIndex(), nBefore);
}

}  // namespace
}  // namespace rf::test
