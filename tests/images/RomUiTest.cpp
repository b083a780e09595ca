#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/Text.h"
#include "emulator/UiController.h"
#include "firmware/FirmwareImages.h"
#include "images/RomUi.h"
#include "support/EmulatorFixture.h"
#include "support/ScriptedDevice.h"

namespace rf::test {
namespace {

using Bytes = std::vector<BYTE>;

Bytes Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return Bytes(image.begin(), image.end());
}

TEST(RomUiTest, CarriedImageTextsInBothModes) {
    CTestEnvironment env;
    CRom_UI78K ui;
    CRom_UIRSC resource;
    ui.UpdateRomVersion();
    resource.UpdateRomVersion();
    EXPECT_EQ(ui.m_strRomVersion, u"0029");
    EXPECT_EQ(resource.m_strRomVersion, u"0023");

    ui.m_bVendorMode = true;
    resource.m_bVendorMode = true;
    ui.UpdateRomVersion();
    resource.UpdateRomVersion();
    EXPECT_EQ(ui.m_strRomVersion, u"0029 (2013/11/12 17:28:04)");
    EXPECT_EQ(resource.m_strRomVersion, u"0023 (2013/11/12 14:15:14)");

    // Without its magic an image is invalid, but still compared on its fields.
    ui.m_pData[0x90] = 'q';
    resource.m_pData[7] = 'e';
    ui.UpdateRomVersion();
    resource.UpdateRomVersion();
    EXPECT_EQ(ui.m_strRomVersion, u"Invalid ROM contents");
    EXPECT_EQ(resource.m_strRomVersion, u"Invalid ROM contents");
    ui.m_wDeviceVersion = 0x0028;
    resource.m_wDeviceVersion = 0x0022;
    std::u16string strTitle;
    EXPECT_TRUE(ui.NeedsUpdate(strTitle));
    EXPECT_TRUE(resource.NeedsUpdate(strTitle));
}

TEST(RomUiTest, NewerWhenTheDeviceTripleIsLower) {
    CTestEnvironment env;
    struct Case {
        bool bResource;
        VersionTriple device;
        bool bNewer;
    };
    // Images: UI firmware (0x0029, 0x436C, 0x8B82), resource (0x0023, 0x436C, 0x71E7).
    const Case cases[] = {
        {false, {0x0029, 0x436C, 0x8B82}, false},
        {false, {0x0029, 0x436C, 0x8B80}, true},
        {false, {0x0028, 0xFFFF, 0xFFFF}, true},  // the version decides first
        {false, {0x002A, 0x0000, 0x0000}, false},
        {false, {0x0029, 0x8000, 0x0000}, false},  // unsigned dates
        {false, {0x0000, 0x0000, 0x0000}, true},   // controller in its loader
        {false, {0xFFFF, 0x0000, 0x0000}, false},  // not read
        {true, {0x0023, 0x436C, 0x71E7}, false},
        {true, {0x0022, 0x436C, 0x71E7}, true},
        {true, {0x0023, 0x436C, 0x71E8}, false},
        {true, {0x0023, 0x436B, 0xFFFF}, true},
        {true, {0x0000, 0x0000, 0x0000}, true},  // invalid device header
        {true, {0xFFFF, 0x0000, 0x0000}, false},
    };
    for (const Case& c : cases) {
        std::u16string strTitle;
        bool bNewer = false;
        if (c.bResource) {
            CRom_UIRSC rom;
            rom.m_wDeviceVersion = c.device.wVersion;
            rom.m_wDeviceDate = c.device.wDate;
            rom.m_wDeviceTime = c.device.wTime;
            bNewer = rom.NeedsUpdate(strTitle);
            EXPECT_EQ(strTitle, u"Firmware #4 Version");
        } else {
            CRom_UI78K rom;
            rom.m_wDeviceVersion = c.device.wVersion;
            rom.m_wDeviceDate = c.device.wDate;
            rom.m_wDeviceTime = c.device.wTime;
            bNewer = rom.NeedsUpdate(strTitle);
            EXPECT_EQ(strTitle, u"Firmware #3 Version");
        }
        EXPECT_EQ(bNewer, c.bNewer) << c.bResource << " " << c.device.wVersion << " "
                                    << c.device.wDate << " " << c.device.wTime;
    }
}

TEST(RomUiTest, DebuggerBuildLocksTheBoxUntilAnotherBuildIsSeen) {
    CTestEnvironment env;
    class COwner final : public IRomOwner {
    public:
        bool UpdateData(bool) override { return true; }
    } owner;
    CRom_UI78K rom;
    rom.m_pOwner = &owner;
    rom.m_chkUpdate.Bind(1018);
    rom.m_wDeviceVersion = kDebuggerTriple.wVersion;
    rom.m_wDeviceDate = kDebuggerTriple.wDate;
    rom.m_wDeviceTime = kDebuggerTriple.wTime;
    rom.UpdateCheckBox(true);
    EXPECT_TRUE(rom.m_bUpdateLocked);
    EXPECT_FALSE(rom.m_bUpdate);
    EXPECT_EQ(rom.m_chkUpdate.GetCheck(), BST_UNCHECKED);
    EXPECT_FALSE(rom.m_chkUpdate.IsWindowEnabled());

    // While nothing is known the lock stays as it was.
    rom.m_wDeviceVersion = 0xFFFF;
    rom.UpdateCheckBox(true);
    EXPECT_TRUE(rom.m_bUpdateLocked);

    rom.m_wDeviceVersion = 0x0025;
    rom.UpdateCheckBox(true);
    EXPECT_FALSE(rom.m_bUpdateLocked);
    EXPECT_EQ(rom.m_chkUpdate.GetCheck(), BST_CHECKED);
    EXPECT_TRUE(rom.m_chkUpdate.IsWindowEnabled());
    EXPECT_EQ(rom.m_chkUpdate.GetWindowText(), u"Firmware #3 Version(*):");
}

TEST(RomUiTest, NoDeviceClearsBothBoxes) {
    CTestEnvironment env;
    class COwner final : public IRomOwner {
    public:
        bool UpdateData(bool) override { return true; }
    } owner;
    CRom_UI78K ui;
    CRom_UIRSC resource;
    ui.m_bVendorMode = true;
    resource.m_bVendorMode = true;
    const std::pair<CRomObject*, const char16_t*> rows[] = {{&ui, u"78K Firmware Version:"},
                                                            {&resource, u"Resource Data Version:"}};
    for (const auto& [pRom, pszLabel] : rows) {
        pRom->m_pOwner = &owner;
        pRom->m_chkUpdate.Bind(1018);
        pRom->m_wDeviceVersion = 0;
        pRom->UpdateCheckBox(true);
        ASSERT_TRUE(pRom->IsUpdateChecked());
        pRom->UpdateCheckBox(false);
        EXPECT_FALSE(pRom->m_bUpdate);
        EXPECT_FALSE(pRom->IsUpdateChecked());
        EXPECT_FALSE(pRom->m_chkUpdate.IsWindowEnabled());
        EXPECT_EQ(pRom->m_chkUpdate.GetWindowText(), pszLabel);
    }
}

// An enclosure with bridge firmware and a front-panel controller that runs
// the given UI firmware, with the resource data in its SPI flash.
class RomUiDeviceTest : public ::testing::Test {
protected:
    void Start(const Bytes& uiFirmware, const Bytes& resources,
               const emu::UiControllerSettings& settings = {}) {
        emu::CEmulatedUiController& controller = emu::FitUiController(
            *fixture.enclosure, *emu::FindSpiChipModel("WINBOND W25X40A"), settings);
        if (!uiFirmware.empty()) {
            controller.InstallFirmware(uiFirmware);
        }
        controller.SpiFlash().SetContents(resources);
        fixture.InstallFirmware(Carried(IDR_BRIDGE_FIRMWARE));
        Sleep(1000);  // the controller starts its firmware
        ASSERT_TRUE(fixture.OpenDevice());
    }
    void FailLinkCommand(std::uint64_t nAhead, emu::FaultKind kind) {
        fixture.enclosure->AddFault(
            emu::Fault{fixture.enclosure->NextCommandIndex() + nAhead, kind});
    }

    CEmulatorFixture fixture;
    CRom_UI78K ui;
    CRom_UIRSC resource;
};

TEST_F(RomUiDeviceTest, FirmwareReportsItsTripleAndTheUnitsName) {
    Bytes firmware = Carried(IDR_UI_FIRMWARE_0025);
    const Bytes name = {'D', 'V', 'X', 0x01, '-', '7', 0x00, 'Z', 'Z'};
    std::copy(name.begin(), name.end(), firmware.begin() + 0xA0);
    Start(firmware, Carried(IDR_UI_RESOURCE_0022));

    ui.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(ui.m_strDeviceVersion, u"0025");
    EXPECT_EQ(ui.m_wDeviceVersion, 0x0025);
    EXPECT_EQ((VersionTriple{ui.m_wDeviceVersion, ui.m_wDeviceDate, ui.m_wDeviceTime}),
              (VersionTriple{0x0025, LittleEndianWord(&firmware[0x9A]),
                             LittleEndianWord(&firmware[0x9C])}));
    EXPECT_EQ(ui.m_strUiSerialNo, u"DVX-7") << "printable bytes up to the first zero";
    EXPECT_TRUE(
        std::equal(ui.m_abUiSerialNo.begin(), ui.m_abUiSerialNo.end(), firmware.begin() + 0xA0));
    std::u16string strTitle;
    EXPECT_TRUE(ui.NeedsUpdate(strTitle));

    ui.m_bVendorMode = true;
    ui.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(ui.m_strDeviceVersion, u"0025 (2012/06/18 16:05:10)");
}

TEST_F(RomUiDeviceTest, OlderFirmwareIsNotAskedForTheInformationBlock) {
    Bytes firmware = Carried(IDR_UI_FIRMWARE_0025);
    firmware[0x98] = 0x23;
    std::fill_n(firmware.begin() + 0xA0, 16, BYTE{'N'});
    Start(firmware, {});
    ui.m_abUiSerialNo.fill(0);
    ui.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(ui.m_strDeviceVersion, u"0023");
    std::array<BYTE, 16> erased;
    erased.fill(0xFF);
    EXPECT_EQ(ui.m_abUiSerialNo, erased);
    EXPECT_EQ(ui.m_strUiSerialNo, u"");
}

TEST_F(RomUiDeviceTest, DamagedInformationBlockIsNotKept) {
    Bytes firmware = Carried(IDR_UI_FIRMWARE);
    std::fill_n(firmware.begin() + 0xA0, 16, BYTE{'N'});
    Start(firmware, {});
    // Commands: state, version frame, its answer, state again, block frame, its answer.
    FailLinkCommand(5, emu::FaultKind::LinkBadChecksum);
    ui.ReadDeviceVersion(&fixture.device, nullptr);
    ASSERT_EQ(ui.m_strDeviceVersion, u"0029");
    std::array<BYTE, 16> erased;
    erased.fill(0xFF);
    EXPECT_EQ(ui.m_abUiSerialNo, erased) << "the update writes this block back into the unit";
    EXPECT_EQ(ui.m_strUiSerialNo, u"");
}

TEST_F(RomUiDeviceTest, DebuggerBuildIsShownAndLocked) {
    emu::UiControllerSettings settings;
    settings.bDebuggerBuild = true;
    Start(Carried(IDR_UI_FIRMWARE_0026), {}, settings);
    for (bool bVendor : {false, true}) {
        ui.m_bVendorMode = bVendor;
        ui.ReadDeviceVersion(&fixture.device, nullptr);
        EXPECT_EQ(ui.m_strDeviceVersion, u"(Running on Debugger)");
        EXPECT_TRUE(ui.m_bDebugger);
        ui.UpdateCheckBox(true);
        EXPECT_FALSE(ui.m_bUpdate);
        EXPECT_TRUE(ui.m_bUpdateLocked);
    }
}

TEST_F(RomUiDeviceTest, LoaderAnswersAreNoVersion) {
    Start({}, {});  // no valid firmware in the controller
    ASSERT_TRUE(fixture.device.SetUiMode(4));
    Sleep(100);
    ASSERT_EQ(fixture.device.GetUiState(), 4);
    ui.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(ui.m_strDeviceVersion, u"Invalid ROM contents");
    EXPECT_EQ(ui.m_wDeviceVersion, 0);
    std::u16string strTitle;
    EXPECT_TRUE(ui.NeedsUpdate(strTitle));

    ui.m_bVendorMode = true;
    ui.ReadDeviceVersion(&fixture.device, nullptr);
    const auto& loader = emu::kUiBootLoaderVersion;
    EXPECT_EQ(ui.m_strDeviceVersion, Hex(loader[0], 2) + u"." + Hex(loader[1], 2) +
                                         Hex(loader[2], 2) + u" (" + Hex(loader[3], 2) + u"." +
                                         Hex(loader[4], 2) + Hex(loader[5], 2) + u")");

    resource.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(resource.m_strDeviceVersion, u"Can not get version informations.");
    EXPECT_EQ(resource.m_wDeviceVersion, 0xFFFF);
}

TEST_F(RomUiDeviceTest, SilentControllerGivesNoVersion) {
    Start({}, {});  // no firmware and not switched: the controller stays silent
    ui.m_wDeviceVersion = 0x29;
    ui.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(ui.m_strDeviceVersion, u"Can not get version informations.");
    EXPECT_EQ(ui.m_wDeviceVersion, 0xFFFF);
    std::u16string strTitle;
    EXPECT_FALSE(ui.NeedsUpdate(strTitle));

    resource.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(resource.m_strDeviceVersion, u"Can not get version informations.");
}

TEST_F(RomUiDeviceTest, FailedVersionQueryGivesNoVersion) {
    Start(Carried(IDR_UI_FIRMWARE), Carried(IDR_UI_RESOURCE));
    FailLinkCommand(2, emu::FaultKind::LinkNoAnswer);  // the version's answer is lost
    ui.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(ui.m_strDeviceVersion, u"Can not get version informations.");
    EXPECT_EQ(ui.m_wDeviceVersion, 0xFFFF);
}

TEST_F(RomUiDeviceTest, ResourceHeaderFromTheControllerOrTheSpiFlash) {
    struct Case {
        bool bEmptyAnswer;
        Bytes spi;
        const char16_t* pszText;
        WORD wVersion;
    };
    Bytes noMagic = Carried(IDR_UI_RESOURCE_0022);
    noMagic[3] = 'x';
    const Case cases[] = {
        {false, Carried(IDR_UI_RESOURCE_0022), u"0022", 0x0022},
        {true, Carried(IDR_UI_RESOURCE_0022), u"0022", 0x0022},  // read from the SPI flash
        {false, noMagic, u"Invalid ROM contents", 0},
        {true, noMagic, u"Invalid ROM contents", 0},
        {true, Bytes(16, 0), u"Invalid ROM contents", 0},
    };
    for (const Case& c : cases) {
        emu::UiControllerSettings settings;
        settings.bEmptyResourceHeader = c.bEmptyAnswer;
        Start(Carried(IDR_UI_FIRMWARE), c.spi, settings);
        resource.ReadDeviceVersion(&fixture.device, nullptr);
        EXPECT_EQ(resource.m_strDeviceVersion, c.pszText) << c.bEmptyAnswer;
        EXPECT_EQ(resource.m_wDeviceVersion, c.wVersion) << c.bEmptyAnswer;
        std::u16string strTitle;
        EXPECT_TRUE(resource.NeedsUpdate(strTitle)) << c.bEmptyAnswer;
    }

    resource.m_bVendorMode = true;
    Start(Carried(IDR_UI_FIRMWARE), Carried(IDR_UI_RESOURCE));
    resource.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(resource.m_strDeviceVersion, u"0023 (2013/11/12 14:15:14)");
    std::u16string strTitle;
    EXPECT_FALSE(resource.NeedsUpdate(strTitle));
}

TEST_F(RomUiDeviceTest, DamagedOrForeignHeaderIsNotTakenFromTheSpiFlash) {
    Start(Carried(IDR_UI_FIRMWARE), Carried(IDR_UI_RESOURCE));
    // The controller's answer is damaged on the way: not read, and no SPI read follows.
    FailLinkCommand(2, emu::FaultKind::LinkBadChecksum);
    resource.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(resource.m_strDeviceVersion, u"Can not get version informations.");
    EXPECT_EQ(resource.m_wDeviceVersion, 0xFFFF);
    EXPECT_EQ((std::pair{resource.m_wDeviceDate, resource.m_wDeviceTime}),
              (std::pair<WORD, WORD>{0, 0}));

    Bytes foreign = Carried(IDR_UI_RESOURCE);
    std::copy_n("OTHERRES", 8, foreign.begin());
    Start(Carried(IDR_UI_FIRMWARE), foreign);
    const auto nSpiBytes = emu::FittedUiController(*fixture.enclosure)->Stats().nSpiBytes;
    resource.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(resource.m_strDeviceVersion, u"Invalid ROM contents");
    EXPECT_EQ(emu::FittedUiController(*fixture.enclosure)->Stats().nSpiBytes, nSpiBytes);
}

// A boot loader with its own version bytes, which the emulated one does not
// let a test choose: the bridge reports the loader's state, and the link
// answers the version command with an acknowledged status and a data frame.
TEST(RomUiLoaderTest, LoaderBytesAreShownInTheOrderReceived) {
    CTestEnvironment env;
    CScriptedDeviceSystem system;
    auto drive = system.AddDrive(u"/dev/sg1");
    std::deque<BYTE> reply;
    Bytes data;
    drive->responder = [&](const ScsiRequest& request) {
        ScriptedAnswer answer;
        const BYTE nSub = request.Cdb[1];
        const UINT nLength = static_cast<UINT>(request.Cdb[7] << 8 | request.Cdb[8]);
        if (request.Cdb[0] != 0xFA) {
            return answer;
        }
        if (nSub == 0x00) {
            answer.data = {0x02, 0, 0, 0};
        } else if (nSub == 0x10 && request.DataTransferLength >= 3) {
            const BYTE nCode = request.DataBuffer[2];
            if (nCode == 0xC5) {
                data = {0x02, 6, 1, 2, 3, 4, 5, 6, static_cast<BYTE>(0x100 - (6 + 21)), 0x03};
            }
            if (nCode == 0xC5 || nCode == 0x70) {
                reply.assign({0x02, 0x01, 0x06, 0xF9, 0x03});
            }
        } else if (nSub == 0x11) {
            answer.data = data;
            answer.data.resize(request.DataTransferLength, 0xFF);
        } else if (nSub == 0x12) {
            for (UINT i = 0; i < request.DataTransferLength; ++i) {
                answer.data.push_back(i < nLength && !reply.empty() ? reply.front() : 0xFF);
                if (i < nLength && !reply.empty()) {
                    reply.pop_front();
                }
            }
        }
        return answer;
    };
    CScsiDevice device(system);
    ASSERT_TRUE(device.CDeviceBase::Open(u"/dev/sg1"));
    CRom_UI78K rom;
    rom.m_bVendorMode = true;
    rom.ReadDeviceVersion(&device, nullptr);
    EXPECT_EQ(rom.m_strDeviceVersion, u"01.0203 (04.0506)");
    EXPECT_EQ(rom.m_wDeviceVersion, 0);
    EXPECT_EQ(rom.m_wDeviceDate, 0);
    EXPECT_EQ(rom.m_wDeviceTime, 0);
}

}  // namespace
}  // namespace rf::test
