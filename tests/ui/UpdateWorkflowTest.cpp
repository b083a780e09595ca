#include <gtest/gtest.h>

#include <algorithm>

#include "emulation/EmulatorPresets.h"
#include "firmware/FirmwareImages.h"
#include "support/DialogFixture.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"

namespace rf::test {
namespace {

std::vector<BYTE> Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return std::vector<BYTE>(image.begin(), image.end());
}

template <typename Memory>
std::vector<BYTE> Head(const Memory& memory, std::size_t nSize) {
    return std::vector<BYTE>(memory.begin(), memory.begin() + static_cast<std::ptrdiff_t>(nSize));
}

bool IsUiMode(const ScsiRequest& request, BYTE nMode) {
    return request.Cdb[0] == 0xFA && request.Cdb[1] == nMode && request.DataTransferLength == 0;
}

bool IsHostWrite(const ScsiRequest& request) {
    return request.Cdb[0] == 0xFC && request.Cdb[1] == 0x02;
}

class UpdateWorkflowTest : public ::testing::Test, public CDialogFixture {
protected:
    // Whether the enclosure's memories hold the carried images.
    // bFirmwarePath: the bridge programmed itself, with the FLASH-type byte
    // the program sets when it knows no chip.
    void ExpectCarriedImages(bool bFirmwarePath = true) {
        std::vector<BYTE> bridge = Carried(IDR_BRIDGE_FIRMWARE);
        bridge.resize(55296, 0xFF);
        if (bFirmwarePath) {
            bridge[0xD2] = 2;
        }
        EXPECT_EQ(Head(enclosure->Flash().Contents(), bridge.size()), bridge);
        const std::vector<BYTE> host = Carried(IDR_SEEPROM_HOST);
        EXPECT_EQ(Head(enclosure->HostEeprom(), host.size()), host);
        const std::vector<BYTE> resource = Carried(IDR_UI_RESOURCE);
        EXPECT_EQ(Head(Controller().SpiFlash().Contents(), resource.size()), resource);
        EXPECT_TRUE(Controller().ProgramFlash().bValid);
    }

    // Index in the trace of the first command for which bMatch holds after nFrom.
    std::size_t Find(const std::function<bool(const TraceEntry&)>& bMatch,
                     std::size_t nFrom = 0) const {
        for (std::size_t i = nFrom; i < trace.size(); ++i) {
            if (bMatch(trace[i])) {
                return i;
            }
        }
        return SIZE_MAX;
    }
};

TEST_F(UpdateWorkflowTest, OldestFirmwareToTheCarriedImages) {
    Attach("row1");
    CMainDlg& dlg = OpenDialog(true);
    const std::vector<BYTE> infoBlockBefore(Controller().ProgramFlash().contents.begin() + 0xA0,
                                            Controller().ProgramFlash().contents.begin() + 0xB0);
    const std::vector<BYTE> heldHost(dlg.m_romHost.m_pData.get(), dlg.m_romHost.m_pData.get() + 16);
    trace.clear();
    EXPECT_EQ(Update(), IDS_UPDATE_COMPLETE);
    ExpectCarriedImages();
    EXPECT_EQ(env.messageBoxes.shown.back().text, u"Complete to update firmware.");
    EXPECT_EQ(env.messageBoxes.shown.back().nType, 0x40u);

    // The SEEPROM's header word is written last, after a blank one.
    std::vector<std::size_t> hostWrites;
    for (std::size_t i = 0; i < trace.size(); ++i) {
        if (trace[i].cdb[0] == 0xFC && trace[i].cdb[1] == 0x02) {
            hostWrites.push_back(i);
        }
    }
    ASSERT_GE(hostWrites.size(), 2u);
    EXPECT_EQ(trace[hostWrites.front()].dataOut[0], 0xFF);
    EXPECT_EQ(trace[hostWrites.back()].dataOut, (std::vector<BYTE>{0xAA, 0x55}));
    // The resource magic goes after the last read-back of the SPI flash.
    auto contains = [](const TraceEntry& e, std::string_view text) {
        return std::search(e.dataOut.begin(), e.dataOut.end(), text.begin(), text.end()) !=
               e.dataOut.end();
    };
    const std::size_t nMagic = Find([&](const TraceEntry& e) { return contains(e, "RESOURCE"); });
    ASSERT_NE(nMagic, SIZE_MAX);
    const std::size_t nAfterMagic =
        Find([&](const TraceEntry& e) { return e.cdb[0] == 0xFA && e.cdb[1] == 0x04; }, nMagic);
    EXPECT_NE(nAfterMagic, SIZE_MAX) << "the UI firmware follows the resource data";
    // The unit keeps its own information block.
    const std::vector<BYTE> infoBlockAfter(Controller().ProgramFlash().contents.begin() + 0xA0,
                                           Controller().ProgramFlash().contents.begin() + 0xB0);
    EXPECT_EQ(infoBlockAfter, infoBlockBefore);
    // The program's own copies of the images are left as they were loaded.
    EXPECT_EQ(std::vector<BYTE>(dlg.m_romHost.m_pData.get(), dlg.m_romHost.m_pData.get() + 16),
              heldHost);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dlg.m_romUIRSC.m_pData.get()), 8),
              "RESOURCE");

    // Found again, everything is up to date.
    RunFor(2000);
    EXPECT_TRUE(bLastFound);
    EXPECT_EQ(dlg.m_romFlash.m_strDeviceVersion, u"0.27 KESTREL_DVXDUO 2013/11/12 15:11:15");
    EXPECT_FALSE(dlg.m_btnUpdate.IsWindowEnabled());
}

TEST_F(UpdateWorkflowTest, ABridgeWithoutFirmwareEndsWithThePowerCycleMessage) {
    Attach("rom-mode");
    OpenDialog(true);
    EXPECT_EQ(Update(), IDS_UPDATE_COMPLETE_POWER_CYCLE);
    ExpectCarriedImages(false);
}

TEST_F(UpdateWorkflowTest, EachFailureShowsItsMessageAndLeavesLaterStagesAlone) {
    struct Case {
        const char* pszWhat;
        std::function<bool(const ScsiRequest&)> bMatches;
        int nNth;
        UINT nMessage;
        bool bFlashWritten;
    };
    const Case cases[] = {
        {"host write", IsHostWrite, 1, IDS_ERR_WRITE_EEPROM, false},
        {"host read-back",
         [](const ScsiRequest& r) { return r.Cdb[0] == 0xFC && r.Cdb[1] == 0x01; }, 1,
         IDS_ERR_READ_EEPROM, false},
        {"header word", IsHostWrite, 785, IDS_ERR_WRITE_EEPROM, false},
        {"bridge firmware", [](const ScsiRequest& r) { return r.Cdb[0] == 0xFE; }, 1,
         IDS_ERR_WRITE_FLASH_ROM, false},
        {"resource mode", [](const ScsiRequest& r) { return IsUiMode(r, 3); }, 1,
         IDS_ERR_RESOURCE_MODE, true},
        {"firmware mode", [](const ScsiRequest& r) { return IsUiMode(r, 4); }, 1,
         IDS_ERR_UI_FIRMWARE_MODE, true},
    };
    for (const Case& c : cases) {
        CDialogFixture fixture;
        fixture.Attach("row1");
        fixture.OpenDialog(true);
        fixture.faulty.decide = FailNth(c.bMatches, c.nNth);
        EXPECT_EQ(fixture.Update(), c.nMessage) << c.pszWhat;
        EXPECT_EQ(fixture.env.messageBoxes.shown.back().nType, 0x10u) << c.pszWhat;
        EXPECT_EQ(fixture.enclosure->Revision() == "0.27", c.bFlashWritten) << c.pszWhat;
        const bool bUiTouched =
            std::any_of(fixture.trace.begin(), fixture.trace.end(),
                        [](const TraceEntry& e) { return e.cdb[0] == 0xFA && e.cdb[1] == 0x04; });
        EXPECT_FALSE(bUiTouched && c.nMessage != IDS_ERR_UI_FIRMWARE_MODE)
            << c.pszWhat << ": later stages ran";
    }
}

TEST_F(UpdateWorkflowTest, SpiAndUiFlashFailures) {
    {
        CDialogFixture fixture;
        fixture.Attach("unknown-spi");
        fixture.OpenDialog(true);
        EXPECT_EQ(fixture.Update(), IDS_ERR_UNKNOWN_SPI_FLASH);
    }
    {
        // The SPI flash stops answering during the write.
        CDialogFixture fixture;
        fixture.Attach("row1");
        fixture.OpenDialog(true);
        bool bResourceMode = false;
        int nLinkWrites = 0;
        fixture.faulty.decide = [&](const ScsiRequest& r) {
            bResourceMode = bResourceMode || IsUiMode(r, 3);
            const bool bLinkWrite = r.Cdb[0] == 0xFA && r.Cdb[1] == 0x10;
            return bResourceMode && bLinkWrite && ++nLinkWrites > 50 ? FaultAction::Fail
                                                                     : FaultAction::Pass;
        };
        EXPECT_EQ(fixture.Update(), IDS_ERR_WRITE_SPIROM);
        EXPECT_FALSE(std::equal(std::begin("RESOURCE"), std::end("RESOURCE") - 1,
                                fixture.Controller().SpiFlash().Contents().begin()))
            << "no magic over an incomplete write";
    }
    {
        // The controller's boot mode stops answering while it is programmed.
        CDialogFixture fixture;
        fixture.Attach("row1");
        fixture.OpenDialog(true);
        bool bBootMode = false;
        int nLinkWrites = 0;
        fixture.faulty.decide = [&](const ScsiRequest& r) {
            bBootMode = bBootMode || IsUiMode(r, 4);
            const bool bLinkWrite = r.Cdb[0] == 0xFA && r.Cdb[1] == 0x10;
            return bBootMode && bLinkWrite && ++nLinkWrites > 20 ? FaultAction::Fail
                                                                 : FaultAction::Pass;
        };
        EXPECT_EQ(fixture.Update(), IDS_ERR_WRITE_UI_FLASH);
        EXPECT_FALSE(fixture.Controller().ProgramFlash().bValid);
    }
}

// A run is bound to the unit it began on. Unit A goes away at the first
// switch of its front panel, beside unit B (a real one): the run ends with
// its own message and B is never written, not even after the run.
TEST_F(UpdateWorkflowTest, AUnitThatGoesAwayEndsItsRunAndNoOtherUnitIsWritten) {
    std::string strError;
    const std::shared_ptr<emu::CEmulatedEnclosure> unitB =
        MakeEmulatedEnclosure("row1", "", "", strError);
    ASSERT_NE(unitB, nullptr) << strError;
    unitB->SetEmulatedMark(false);
    unitB->EnableTrace(false);
    Attach("row1", u"sda");
    emulated.Attach(u"sdb", unitB);
    auto memoriesOfB = [&unitB] {
        const emu::CEmulatedUiController& ui = *emu::FittedUiController(*unitB);
        return std::vector<std::vector<BYTE>>{
            unitB->Flash().Contents(),
            std::vector<BYTE>(unitB->HostEeprom().begin(), unitB->HostEeprom().end()),
            std::vector<BYTE>(unitB->CpuEeprom().begin(), unitB->CpuEeprom().end()),
            ui.ProgramFlash().contents, ui.SpiFlash().Contents()};
    };
    const auto before = memoriesOfB();
    CMainDlg& dlg = OpenDialog(true);
    ASSERT_EQ(dlg.m_device.m_strPath, u"sda");
    faulty.decide = [&](const ScsiRequest& request) {
        if (IsUiMode(request, 1) && dlg.IsBusy() && emulated.Enclosure(u"sda") != nullptr) {
            emulated.Detach(u"sda");
        }
        return FaultAction::Pass;
    };
    EXPECT_EQ(Update(), IDS_ERR_UNIT_GONE);
    EXPECT_EQ(env.messageBoxes.shown.back().nType, 0x10u);
    // The search goes on once the run is over: it finds B and only reads it.
    RunFor(5'000);
    EXPECT_TRUE(bLastFound);
    EXPECT_EQ(dlg.m_device.m_strPath, u"sdb");
    EXPECT_TRUE(memoriesOfB() == before) << "unit B was written";
}

TEST_F(UpdateWorkflowTest, VolumesInUseStopTheUpdateUnlessTheOptionSaysOtherwise) {
    Attach("row1");
    emulated.SetVolumes(u"sdb", {{u"/media/enclosure", emu::VolumeState::Busy}});
    CMainDlg& dlg = OpenDialog(true);
    EXPECT_EQ(Update(), IDS_ERR_DRIVE_IN_USE);
    EXPECT_EQ(enclosure->Revision(), "0.24") << "nothing written";
    EXPECT_EQ(env.messageBoxes.shown.back().text, u"Drive is using.\nAborted updating firmware.");
    UpdateOptions options = dlg.m_update.Options();
    options.bIgnoreLockDrivesError = true;
    dlg.m_update.SetOptions(options);
    EXPECT_EQ(Update(), IDS_UPDATE_COMPLETE);
}

TEST_F(UpdateWorkflowTest, ConfirmationWhenNothingIsNewer) {
    Attach("current");
    CMainDlg& dlg = OpenDialog(true);
    env.messageBoxes.answers = {IDNO};
    EXPECT_EQ(Update(), 0u);
    EXPECT_EQ(env.messageBoxes.shown.back().nType, 0x34u);
    EXPECT_TRUE(dlg.m_device.IsOpen()) << "nothing happened";

    // Yes selects all four; an image that is not held is skipped.
    dlg.m_romUI78K.m_nDataSize = 0;
    env.messageBoxes.answers = {IDYES};
    trace.clear();
    EXPECT_EQ(Update(), IDS_UPDATE_COMPLETE);
    EXPECT_NE(std::find_if(trace.begin(), trace.end(),
                           [](const TraceEntry& e) { return e.cdb[0] == 0xFE; }),
              trace.end());
    EXPECT_EQ(
        std::find_if(trace.begin(), trace.end(),
                     [](const TraceEntry& e) { return e.cdb[0] == 0xFA && e.cdb[1] == 0x04; }),
        trace.end())
        << "the UI firmware was not written";
}

TEST_F(UpdateWorkflowTest, ModeSwitchesAreSkippedForDisableResetUiAndTheDebuggerBuild) {
    for (const bool bDebugger : {false, true}) {
        CDialogFixture fixture;
        fixture.Attach(bDebugger ? "debugger" : "row1");
        theCmdInfo.m_bDisableResetUI = !bDebugger;
        fixture.OpenDialog(true);
        fixture.dialog->m_update.Select(fixture.dialog->m_romUIRSC, true);
        fixture.trace.clear();
        fixture.Update();
        EXPECT_EQ(
            std::count_if(fixture.trace.begin(), fixture.trace.end(),
                          [](const TraceEntry& e) { return e.cdb[0] == 0xFA && e.cdb[1] == 0x03; }),
            0)
            << (bDebugger ? "debugger" : "DisableResetUI");
    }
}

TEST_F(UpdateWorkflowTest, AnUpdateCommandWhileBusyIsRefused) {
    Attach("row1");
    CMainDlg& dlg = OpenDialog(true);
    int nInner = -1;
    faulty.decide = [&](const ScsiRequest& r) {
        // In the middle of the bridge's stage, the button is pressed again.
        if (r.Cdb[0] == 0xFE && nInner < 0) {
            nInner = static_cast<int>(results.size());
            PostMessageTo(dlg, WM_COMMAND, IDC_UPDATE, 0);
            PumpMessages();
        }
        return FaultAction::Pass;
    };
    EXPECT_EQ(Update(), 0u) << "the second press, refused";
    env.loop.RunUntil([&] { return results.size() >= 2; }, 3'600'000);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1], IDS_UPDATE_COMPLETE);
}

}  // namespace
}  // namespace rf::test
