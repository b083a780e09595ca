#include <gtest/gtest.h>

#include "base/Text.h"
#include "emulation/EmulatedUnits.h"
#include "support/DialogFixture.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/MainUserDlg.h"

namespace rf::test {
namespace {

std::u16string Text(CMainDlg& dlg, UINT nId) {
    const CWnd* pControl = dlg.GetDlgItem(nId);
    return pControl != nullptr ? pControl->GetWindowText() : u"<no control>";
}

class MainDlgTest : public ::testing::Test, public CDialogFixture {};

TEST_F(MainDlgTest, WithoutADeviceEverythingWaits) {
    CMainDlg& dlg = OpenDialog(true);
    RunFor(3000);
    EXPECT_EQ(Text(dlg, IDC_DEVICE_NAME), u" Searching device ...");
    EXPECT_EQ(Text(dlg, IDC_ROM_VERSION_FLASH), u"0.27 KESTREL_DVXDUO 2013/11/12 15:11:15");
    EXPECT_EQ(Text(dlg, IDC_DEVICE_VERSION_FLASH), u"");
    EXPECT_EQ(Text(dlg, IDC_SERIAL_NO), u"");
    for (CRomObject* pRom :
         {static_cast<CRomObject*>(&dlg.m_romFlash), static_cast<CRomObject*>(&dlg.m_romHost),
          static_cast<CRomObject*>(&dlg.m_romUI78K), static_cast<CRomObject*>(&dlg.m_romUIRSC)}) {
        EXPECT_FALSE(pRom->m_chkUpdate.IsWindowEnabled());
        EXPECT_EQ(pRom->m_chkUpdate.GetCheck(), BST_UNCHECKED);
    }
    EXPECT_FALSE(dlg.m_btnUpdate.IsWindowEnabled());
    EXPECT_EQ(dlg.GetWindowText(), AppName());
}

TEST_F(MainDlgTest, AnAttachedDeviceIsFoundBeforeTheFirstTick) {
    Attach("row1");
    const std::uint64_t nStart = env.clock.NowMicroseconds();
    CMainDlg& dlg = OpenDialog(true);
    EXPECT_TRUE(bLastFound);
    EXPECT_LT(env.clock.NowMicroseconds() - nStart, 1'000'000u) << "no timer tick was needed";
    EXPECT_EQ(Text(dlg, IDC_DEVICE_NAME), u"KESTREL  DVX4400DUO");
    EXPECT_EQ(dlg.m_romFlash.m_chkUpdate.GetWindowText(), u"FLASH-ROM Version(*):");
    EXPECT_EQ(dlg.m_romFlash.m_chkUpdate.GetCheck(), BST_CHECKED);
    EXPECT_TRUE(dlg.m_btnUpdate.IsWindowEnabled());
    EXPECT_FALSE(Text(dlg, IDC_SERIAL_NO).empty());
}

TEST_F(MainDlgTest, ANamedUnitIsTheOneShownThoughAnotherIsListedFirst) {
    Attach("row1", u"sdb");
    NumberEmulatedUnit(*Attach("row1", u"sdc"), 2);
    unitName = u"KD44D2-1311-004871";
    CMainDlg& dlg = OpenDialog(true);
    ASSERT_TRUE(bLastFound);
    EXPECT_EQ(dlg.m_device.m_strPath, u"sdc");
    EXPECT_EQ(Text(dlg, IDC_SERIAL_NO), u"KD44D2-1311-004871");
}

TEST_F(MainDlgTest, AnUnpluggedDeviceIsForgottenWithinASecond) {
    Attach("row1");
    CMainDlg& dlg = OpenDialog(true);
    ASSERT_TRUE(bLastFound);
    emulated.Detach(u"sdb");
    RunFor(1100);
    EXPECT_FALSE(bLastFound);
    EXPECT_EQ(Text(dlg, IDC_DEVICE_NAME), u" Searching device ...");
    EXPECT_EQ(Text(dlg, IDC_DEVICE_VERSION_FLASH), u"");
    EXPECT_EQ(dlg.m_romFlash.m_chkUpdate.GetCheck(), BST_UNCHECKED);
    EXPECT_FALSE(dlg.m_btnUpdate.IsWindowEnabled());
}

TEST_F(MainDlgTest, UpToDateFirmwareTicksNothing) {
    Attach("current");
    CMainDlg& dlg = OpenDialog(true);
    for (CRomObject* pRom :
         {static_cast<CRomObject*>(&dlg.m_romFlash), static_cast<CRomObject*>(&dlg.m_romHost),
          static_cast<CRomObject*>(&dlg.m_romUI78K), static_cast<CRomObject*>(&dlg.m_romUIRSC)}) {
        EXPECT_EQ(pRom->m_chkUpdate.GetCheck(), BST_UNCHECKED);
        EXPECT_TRUE(pRom->m_chkUpdate.IsWindowEnabled());
    }
    EXPECT_FALSE(dlg.m_btnUpdate.IsWindowEnabled()) << "the full dlg follows the boxes";
    // A tick is the person's choice: it selects the memory in the update.
    dlg.m_romHost.m_chkUpdate.SetCheckFromView(BST_CHECKED);
    PostMessageTo(dlg, WM_COMMAND, IDC_CHECK_HOST, 0);
    PumpMessages();
    EXPECT_TRUE(dlg.m_btnUpdate.IsWindowEnabled());
    EXPECT_TRUE(dlg.IsSelected(dlg.m_romHost));
}

TEST_F(MainDlgTest, AControllerWithoutFirmwareLocksTheResourceBoxButKeepsItsSelection) {
    Attach("ui-state0");
    CMainDlg& dlg = OpenDialog(true);
    EXPECT_FALSE(dlg.m_romUIRSC.m_chkUpdate.IsWindowEnabled());
    EXPECT_EQ(dlg.m_romUIRSC.m_chkUpdate.GetCheck(),
              dlg.m_romUIRSC.m_bUpdate ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(Controller().Mode(), 4) << "woken into its boot mode";
}

TEST_F(MainDlgTest, AutoUpdatePostsTheCommandOnce) {
    Attach("row1");
    theCmdInfo.m_bAutoUpdate = true;
    env.messageBoxes.answers = {};
    OpenDialog(true);
    // The update runs; the device comes back and is read again: everything
    // is up to date, so the command posted again asks first, and No ends it.
    RunFor(120'000);
    EXPECT_EQ(results, (std::vector<UINT>{IDS_UPDATE_COMPLETE, 0}));
    EXPECT_EQ(env.messageBoxes.shown.back().text,
              u"It is not necessary to update this firmware.\n\nOverwrite the firmware?");
    RunFor(5000);
    EXPECT_EQ(results.size(), 2u) << "posted once per device found";
}

TEST_F(MainDlgTest, EscapeAndCloseDoNothingWhileBusy) {
    Attach("row1");
    CMainDlg& dlg = OpenDialog(true);
    dlg.m_bBusy = true;
    dlg.RequestClose();
    PostMessageTo(dlg, WM_COMMAND, 2, 0);
    PumpMessages();
    EXPECT_FALSE(dlg.IsEnded());
    dlg.m_bBusy = false;
    dlg.RequestClose();
    EXPECT_TRUE(dlg.IsEnded());
}

TEST_F(MainDlgTest, UserDialogShowsProductVersionsAndLists) {
    struct Case {
        const char* pszPreset;
        const char16_t* pszDeviceProduct;
    };
    for (const Case c : {Case{"row1", u"Ver.1.00"}, Case{"row2", u"Ver.1.00"},
                         Case{"current", u"Ver.1.01"}, Case{"ui-state0", u"Unknown"}}) {
        CDialogFixture fixture;
        fixture.Attach(c.pszPreset);
        auto& dlg = static_cast<CMainUserDlg&>(fixture.OpenDialog(false));
        EXPECT_EQ(dlg.m_strProductVersion, u"Ver.1.01");
        EXPECT_EQ(dlg.m_strFirmwareVersions,
                  u"(1) Ver.0027\r\n(2) Ver.C018\r\n(3) Ver.0029\r\n(4) Ver.0023");
        EXPECT_EQ(dlg.m_strDeviceProductVersion, c.pszDeviceProduct) << c.pszPreset;
        EXPECT_TRUE(dlg.m_btnUpdate.IsWindowEnabled()) << "any open device may be updated";
    }
    CDialogFixture fixture;
    fixture.Attach("ui-state0");
    auto& dlg = static_cast<CMainUserDlg&>(fixture.OpenDialog(false));
    EXPECT_NE(dlg.m_strDeviceFirmwareVersions.find(u"(1) Ver.0024\r\n(2) Ver.C017\r\n"),
              std::u16string::npos);
    EXPECT_EQ(dlg.m_strDeviceFirmwareVersions.find(u"(3) Ver."), std::u16string::npos)
        << "a text that is no version is shown as it is: "
        << Utf16ToUtf8(dlg.m_strDeviceFirmwareVersions);

    CDialogFixture none;
    auto& empty = static_cast<CMainUserDlg&>(none.OpenDialog(false));
    EXPECT_EQ(empty.m_strDeviceFirmwareVersions, u"");
    EXPECT_EQ(empty.m_strDeviceProductVersion, u"");
    EXPECT_FALSE(empty.m_btnUpdate.IsWindowEnabled());
}

}  // namespace
}  // namespace rf::test
