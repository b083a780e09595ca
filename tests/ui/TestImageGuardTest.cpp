#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "firmware/ImageCatalogue.h"
#include "firmware/ImageKinds.h"
#include "framework/Messages.h"
#include "support/DialogFixture.h"
#include "support/NonTestImages.h"
#include "support/TempFiles.h"
#include "text/StringTable.h"
#include "ui/FirmwarePackageLoad.h"

namespace rf::test {
namespace {

// What the enclosure holds, to see that a refused update left it alone.
struct EnclosureMemories {
    std::vector<BYTE> flash;
    std::vector<BYTE> host;
    std::vector<BYTE> spi;
    std::vector<BYTE> uiFlash;
    bool operator==(const EnclosureMemories&) const = default;
};

class TestImageGuardTest : public ::testing::Test, public CDialogFixture {
protected:
    // The row-1 enclosure, without the mark when bReal: the program takes it
    // for a real unit.
    void SetUp() override {
        if (CarriesVendorImages()) {
            GTEST_SKIP() << "the build carries the maker's images";
        }
    }

    void AttachRowOne(bool bReal) {
        Attach("row1");
        enclosure->SetEmulatedMark(!bReal);
    }

    EnclosureMemories Memories() {
        return {enclosure->Flash().Contents(), enclosure->HostEeprom(),
                Controller().SpiFlash().Contents(), Controller().ProgramFlash().contents};
    }

    // Presses the update button: the result, with the trace of that press.
    UINT RefusedUpdate() {
        const EnclosureMemories before = Memories();
        trace.clear();
        const UINT nResult = Update();
        EXPECT_TRUE(trace.empty())
            << "a refused update sends no command at all, first is "
            << (trace.empty() ? std::string() : FormatTraceLine(trace.front()));
        EXPECT_TRUE(Memories() == before);
        return nResult;
    }

    CTempFiles files;
};

TEST_F(TestImageGuardTest, BothDialogsRefuseTheTestSetOnARealUnitAndSendNothing) {
    for (const bool bVendor : {true, false}) {
        SCOPED_TRACE(bVendor ? "full dialog" : "user dialog");
        AttachRowOne(true);
        CMainDlg& dlg = OpenDialog(bVendor);
        ASSERT_TRUE(bLastFound);
        EXPECT_FALSE(dlg.m_device.m_bEmulatedEnclosure);
        EXPECT_EQ(RefusedUpdate(), IDS_ERR_TEST_IMAGES_ON_REAL_UNIT);
        EXPECT_EQ(env.messageBoxes.shown.back().nType, 0x10u) << "the stop icon";
        EXPECT_NE(env.messageBoxes.shown.back().text.find(u"firmware package"),
                  std::u16string::npos);
        EXPECT_FALSE(dlg.IsBusy());
        EXPECT_NE(dlg.GetWindowText().find(u"test images"), std::u16string::npos)
            << "the title says so";
        emulated.Detach(u"sdb");
        dialog.reset();
        trace.clear();
        nRefreshes = 0;
    }
}

TEST_F(TestImageGuardTest, ATestImageDroppedAsAFileIsRefusedToo) {
    AttachRowOne(true);
    CMainDlg& dlg = OpenDialog(true);
    // Every image the maker's but one, which is the test image coming back
    // as a file.
    dlg.m_romHost.LoadFile(files.Write("host.bin", NonTestImage(IDR_SEEPROM_HOST)).c_str());
    dlg.m_romFlash.LoadFile(files.Write("flash.bin", NonTestImage(IDR_BRIDGE_FIRMWARE)).c_str());
    dlg.m_romUIRSC.LoadFile(files.Write("rsc.bin", NonTestImage(IDR_UI_RESOURCE)).c_str());
    dlg.m_romUI78K.LoadFile(files.Write("ui.bin", FindFirmwareImage(IDR_UI_FIRMWARE)).c_str());
    EXPECT_EQ(dlg.m_romUI78K.m_origin, ImageOrigin::File);
    EXPECT_EQ(RefusedUpdate(), IDS_ERR_TEST_IMAGES_ON_REAL_UNIT);

    // An image of an earlier release is a test image as well; unselected,
    // the test image is no reason to refuse.
    dlg.m_update.Select(dlg.m_romUI78K, false);
    dlg.m_romHost.LoadFile(
        files.Write("old.bin", FindFirmwareImage(IDR_SEEPROM_HOST_C017)).c_str());
    dlg.m_update.Select(dlg.m_romHost, true);
    EXPECT_EQ(RefusedUpdate(), IDS_ERR_TEST_IMAGES_ON_REAL_UNIT);

    dlg.m_romHost.LoadFile(files.Write("host.bin", NonTestImage(IDR_SEEPROM_HOST)).c_str());
    dlg.m_update.Select(dlg.m_romHost, true);
    EXPECT_EQ(Update(), IDS_UPDATE_COMPLETE);
    const std::vector<BYTE> host = NonTestImage(IDR_SEEPROM_HOST);
    EXPECT_TRUE(std::equal(host.begin(), host.end(), enclosure->HostEeprom().begin()));
}

TEST_F(TestImageGuardTest, ChangedTestImagesDroppedAsFilesOrAsAPackageAreRefused) {
    AttachRowOne(true);
    CMainDlg& dlg = OpenDialog(true);
    const std::pair<CRomObject*, const char*> roms[] = {{&dlg.m_romHost, "host"},
                                                        {&dlg.m_romFlash, "flash"},
                                                        {&dlg.m_romUIRSC, "resource"},
                                                        {&dlg.m_romUI78K, "ui"}};
    for (const ImageChange change : kImageChanges) {
        SCOPED_TRACE(ImageChangeName(change));
        const std::filesystem::path directory =
            std::filesystem::path(files.Root()) / ImageChangeName(change);
        std::filesystem::create_directories(directory);
        for (const auto& [pRom, pszKey] : roms) {
            const MemoryKindInfo& kind = *FindMemoryKind(pszKey);
            const std::vector<BYTE> bytes =
                ChangedImage(FindFirmwareImage(kind.nCarriedId), change);
            std::ofstream(directory / kind.pszFileName, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            pRom->LoadFile(Utf8ToUtf16((directory / kind.pszFileName).string()).c_str());
            pRom->m_chkUpdate.SetCheck(BST_CHECKED);
        }
        EXPECT_EQ(RefusedUpdate(), IDS_ERR_TEST_IMAGES_ON_REAL_UNIT);
        WriteMetainfo(directory);
        // A padded front-panel image no longer fits its memory, so that
        // package is refused whole when it is dropped.
        const bool bTaken = OnFirmwarePackageDropped(dlg, Utf8ToUtf16(directory.string()));
        EXPECT_EQ(bTaken, change != ImageChange::Padded);
        if (bTaken) {
            EXPECT_EQ(RefusedUpdate(), IDS_ERR_TEST_IMAGES_ON_REAL_UNIT);
        }
    }
}

TEST_F(TestImageGuardTest, APackageDroppedOnTheUserDialogIsCheckedByItsImages) {
    AttachRowOne(true);
    CMainDlg& dlg = OpenDialog(false);
    // The carried test set, back in a package.
    WritePackageDirectory(files.Root() + "/test-set", true);
    EXPECT_TRUE(OnFirmwarePackageDropped(dlg, Utf8ToUtf16(files.Root() + "/test-set")));
    EXPECT_EQ(dlg.m_romFlash.m_origin, ImageOrigin::Package);
    EXPECT_EQ(RefusedUpdate(), IDS_ERR_TEST_IMAGES_ON_REAL_UNIT);

    // A broken one changes nothing and says why.
    EXPECT_FALSE(OnFirmwarePackageDropped(dlg, Utf8ToUtf16(files.Root() + "/none")));
    EXPECT_NE(env.messageBoxes.shown.back().text.find(u"The firmware package cannot be used: "),
              std::u16string::npos);

    WritePackageDirectory(files.Root() + "/maker", false);
    EXPECT_TRUE(OnFirmwarePackageDropped(dlg, Utf8ToUtf16(files.Root() + "/maker")));
    EXPECT_EQ(dlg.GetWindowText(), AppName()) << "no test image is held any more";
    EXPECT_EQ(Update(), IDS_UPDATE_COMPLETE);
    const std::vector<BYTE> bridge = NonTestImage(IDR_BRIDGE_FIRMWARE);
    EXPECT_TRUE(std::equal(bridge.begin() + 0x100, bridge.end(),
                           enclosure->Flash().Contents().begin() + 0x100));
}

TEST_F(TestImageGuardTest, AnEmulatedEnclosureTakesTheTestSet) {
    AttachRowOne(false);
    CMainDlg& dlg = OpenDialog(false);
    EXPECT_TRUE(dlg.m_device.m_bEmulatedEnclosure);
    EXPECT_EQ(dlg.GetWindowText(), AppName());
    EXPECT_EQ(Update(), IDS_UPDATE_COMPLETE);
}

}  // namespace
}  // namespace rf::test
