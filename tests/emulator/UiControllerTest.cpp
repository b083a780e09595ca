#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "emulator/EnclosureStore.h"
#include "programming/UiLink.h"
#include "support/EmulatorFixture.h"
#include "support/UiTestImages.h"

namespace rf::test {
namespace {

using Bytes = std::vector<BYTE>;

struct ControllerBench {
    explicit ControllerBench(bool bFirmware, const emu::UiControllerSettings& settings = {},
                             const std::string& strBus = "usb2")
        : fixture("SST SST39VF020", strBus),
          controller(fixture.FitUiController("WINBOND W25X40A", settings)),
          firmware(MakeUiFirmware(0x29, 7)) {
        for (std::size_t i = 0; i < 16; ++i) {
            firmware[0xA0 + i] = static_cast<BYTE>('A' + i);
        }
        if (bFirmware) {
            controller.InstallFirmware(firmware);
        }
        controller.SpiFlash().SetContents(MakeResourceData(kResourceDataSize, 0x23, 8));
        EXPECT_TRUE(fixture.OpenDevice());
    }
    CScsiDevice& Device() { return fixture.device; }

    CEmulatorFixture fixture;
    emu::CEmulatedUiController& controller;
    Bytes firmware;
};

TEST(UiControllerTest, StateFollowsModeAndFirmware) {
    struct Step {
        int nMode;  // 0: the bridge restarts
        DWORD dwWait;
        int nState;
    };
    struct Case {
        const char* pszName;
        bool bFirmware;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"firmware runs after power-up", true, {}},
        {"restart takes a while", true, {{1, 0, -1}, {1, 2000, 2}}},
        {"resource mode after a restart", true, {{1, 2000, 2}, {3, 100, 2}}},
        {"boot mode", true, {{1, 2000, 2}, {4, 50, 4}}},
        {"bridge restart ends boot mode", true, {{4, 50, 4}, {0, 0, 2}}},
        {"no firmware: switch first", false, {{1, 2000, 0}, {3, 2000, 0}}},
        {"no firmware: boot mode answers", false, {{4, 50, 4}, {0, 0, 0}}},
    };
    for (const Case& c : cases) {
        ControllerBench bench(c.bFirmware);
        if (c.steps.empty()) {
            EXPECT_EQ(bench.Device().GetUiState(), 2) << c.pszName;
        }
        for (const Step& step : c.steps) {
            if (step.nMode == 0) {
                bench.Device().ResetAndClose();
                ASSERT_TRUE(bench.fixture.OpenDevice());
            } else {
                ASSERT_TRUE(bench.Device().SetUiMode(step.nMode));
            }
            Sleep(step.dwWait);
            EXPECT_EQ(bench.Device().GetUiState(), step.nState)
                << c.pszName << ", mode " << step.nMode;
        }
    }
}

TEST(UiControllerTest, FirmwareAnswersFromItsOwnMemories) {
    ControllerBench bench(true);
    Bytes bytes(16);
    ASSERT_TRUE(ReadUiVersion(&bench.Device(), bytes.data()));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 6, bench.firmware.begin() + 0x98));
    ASSERT_TRUE(ReadUiInfoBlock(&bench.Device(), bytes.data()));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), bench.firmware.begin() + 0xA0));
    ASSERT_TRUE(ReadResourceHeader(&bench.Device(), bytes.data()));
    EXPECT_TRUE(
        std::equal(bytes.begin(), bytes.end(), bench.controller.SpiFlash().Contents().begin()));
    EXPECT_TRUE(SendUiPreUpdateCommand(&bench.Device()));

    bench.controller.Settings().bDebuggerBuild = true;
    bench.controller.Settings().bEmptyResourceHeader = true;
    ASSERT_TRUE(ReadUiVersion(&bench.Device(), bytes.data()));
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{0x34, 0x12, 0x78, 0x56, 0xCD, 0xAB}));
    ASSERT_TRUE(ReadResourceHeader(&bench.Device(), bytes.data()));
    EXPECT_EQ(bytes, Bytes(16, 0));

    // The boot mode acknowledges the version command, then reports its own.
    bench.Device().SetUiMode(4);
    Sleep(50);
    ASSERT_TRUE(ReadUiVersion(&bench.Device(), bytes.data()));
    EXPECT_TRUE(std::equal(emu::kUiBootLoaderVersion.begin(), emu::kUiBootLoaderVersion.end(),
                           bytes.begin()));
    EXPECT_FALSE(ReadResourceHeader(&bench.Device(), bytes.data())) << "not a boot-mode command";
}

TEST(UiControllerTest, LinkFaultsActOnOneCommand) {
    struct Case {
        const char* pszName;
        bool bBootMode;
        emu::FaultKind kind;
        std::uint64_t nAhead;  // which command of the operation
        std::function<bool(CDevice*)> operation;
        bool bOk;
    };
    const auto readHeader = [](CDevice* p) {
        BYTE header[16];
        return ReadResourceHeader(p, header);
    };
    const auto spiWrite = [](CDevice* p) {
        const BYTE command[] = {0x06};
        return SpiWrite(p, command, 1, false);
    };
    const auto reset = [](CDevice* p) {
        const BYTE command[] = {0x00};
        return SendUiCommandFrame(p, 1, command) && WaitUiStatus(p, false) == UI_ACK;
    };
    const Case cases[] = {
        {"request lost", false, emu::FaultKind::LinkNoAnswer, 0, readHeader, false},
        {"request damaged", false, emu::FaultKind::LinkBadChecksum, 0, readHeader, false},
        {"answer lost", false, emu::FaultKind::LinkNoAnswer, 1, readHeader, false},
        {"answer damaged", false, emu::FaultKind::LinkBadChecksum, 1, readHeader, false},
        {"answer refused", false, emu::FaultKind::LinkNak, 1, spiWrite, false},
        {"fault elsewhere", false, emu::FaultKind::LinkNak, 2, spiWrite, true},
        {"status damaged: asked again", true, emu::FaultKind::LinkBadChecksum, 3, reset, true},
        {"status lost: asked again", true, emu::FaultKind::LinkNoAnswer, 2, reset, true},
        {"command damaged: checksum error", true, emu::FaultKind::LinkBadChecksum, 0, reset, false},
        {"status refused", true, emu::FaultKind::LinkNak, 3, reset, false},
    };
    for (const Case& c : cases) {
        ControllerBench bench(true);
        if (c.bBootMode) {
            bench.Device().SetUiMode(4);
            Sleep(50);
        }
        emu::CEmulatedEnclosure& enclosure = *bench.fixture.enclosure;
        enclosure.AddFault(emu::Fault{enclosure.NextCommandIndex() + c.nAhead, c.kind});
        EXPECT_EQ(c.operation(&bench.Device()), c.bOk) << c.pszName;
    }
    EXPECT_EQ(emu::ParseFault("no-answer:3")->kind, emu::FaultKind::LinkNoAnswer);
    EXPECT_EQ(emu::ParseFault("bad-checksum:3")->kind, emu::FaultKind::LinkBadChecksum);
    EXPECT_EQ(emu::ParseFault("nak:3")->kind, emu::FaultKind::LinkNak);
}

TEST(UiControllerTest, FullSpeedBridgePassesOnlySmallPackets) {
    const Bytes frame(260, 0x02);
    for (const char* pszBus : {"usb2", "usb11"}) {
        ControllerBench bench(true, {}, pszBus);
        const bool bFullSpeed = std::string(pszBus) == "usb11";
        for (const UINT nLength : {64u, 65u, 260u}) {
            const std::uint64_t nHeard = bench.controller.Stats().nFramesReceived;
            ASSERT_TRUE(bench.Device().UiWrite(frame.data(), nLength));
            const bool bRefused = bFullSpeed && nLength > 64;
            EXPECT_EQ(bench.Device().m_bScsiStatus, bRefused ? 0x02 : 0x00) << pszBus << nLength;
            EXPECT_EQ(bench.controller.Stats().nFramesReceived, nHeard + (bRefused ? 0 : 1));
        }
    }
}

TEST(UiControllerTest, ControllerIsKeptWithTheEnclosure) {
    const std::string strDirectory =
        (std::filesystem::temp_directory_path() / "reflasher-ui-store-test").string();
    std::filesystem::remove_all(strDirectory);
    emu::UiControllerSettings settings;
    settings.bDebuggerBuild = true;
    ControllerBench bench(true, settings);
    std::string strError;
    ASSERT_TRUE(emu::SaveEnclosure(*bench.fixture.enclosure, strDirectory, strError)) << strError;
    auto loaded = emu::LoadEnclosure(strDirectory, strError);
    ASSERT_NE(loaded, nullptr) << strError;
    const emu::CEmulatedUiController* pUi = emu::FittedUiController(*loaded);
    ASSERT_NE(pUi, nullptr);
    EXPECT_EQ(pUi->ProgramFlash().contents, bench.controller.ProgramFlash().contents);
    EXPECT_TRUE(pUi->ProgramFlash().bValid);
    EXPECT_EQ(pUi->ProgramFlash().security, bench.controller.ProgramFlash().security);
    EXPECT_EQ(pUi->SpiFlash().Contents(), bench.controller.SpiFlash().Contents());
    EXPECT_EQ(pUi->SpiFlash().Model().pszName, std::string("WINBOND W25X40A"));
    EXPECT_TRUE(pUi->Settings().bDebuggerBuild);
    EXPECT_EQ(loaded->UiController().StateByte(bench.fixture.env.clock.NowMicroseconds()), 0x01);

    // A directory kept before controllers could be fitted loads without one.
    const auto config = std::filesystem::path(strDirectory) / "enclosure.conf";
    std::string strConfig;
    {
        std::ifstream file(config);
        for (std::string strLine; std::getline(file, strLine);) {
            if (strLine.rfind("ui-", 0) != 0) {
                strConfig += strLine + "\n";
            }
        }
    }
    std::ofstream(config) << strConfig << "ui-spi-chip=NO SUCH PART\n";
    EXPECT_EQ(emu::LoadEnclosure(strDirectory, strError), nullptr);
    EXPECT_NE(strError.find("unknown SPI flash chip \"NO SUCH PART\""), std::string::npos)
        << strError;
    std::ofstream(config) << strConfig;
    loaded = emu::LoadEnclosure(strDirectory, strError);
    ASSERT_NE(loaded, nullptr) << strError;
    EXPECT_EQ(emu::FittedUiController(*loaded), nullptr);
    std::filesystem::remove_all(strDirectory);
}

}  // namespace
}  // namespace rf::test
