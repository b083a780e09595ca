#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "images/RomFlash.h"
#include "images/RomSeeprom.h"
#include "support/TempFiles.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

using Bytes = std::vector<BYTE>;

class COwner final : public IRomOwner {
public:
    bool UpdateData(bool bSaveAndValidate) override {
        (bSaveAndValidate ? nSaves : nLoads)++;
        return true;
    }
    int nLoads = 0;
    int nSaves = 0;
};

Bytes Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return Bytes(image.begin(), image.end());
}

Bytes Held(const CRomObject& rom) {
    return Bytes(rom.m_pData.get(), rom.m_pData.get() + rom.m_nDataSize);
}

class RomObjectTest : public ::testing::Test {
protected:
    CTestEnvironment env;
    CTempFiles files;
    COwner owner;
};

TEST(FormatDosDateTimeTest, UnpacksEveryFieldWithoutCheckingIt) {
    struct Case {
        WORD wTime;
        WORD wDate;
        const char16_t* pszExpected;
    };
    const Case cases[] = {
        {0x8B82, 0x436C, u"2013/11/12 17:28:04"},
        {0x71E7, 0x436C, u"2013/11/12 14:15:14"},
        {0x0000, 0x0000, u"1980/00/00 00:00:00"},
        {0xFFFF, 0xFFFF, u"2107/15/31 31:63:62"},  // the widest text there is
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDosDateTime(c.wTime, c.wDate), c.pszExpected);
    }
}

TEST_F(RomObjectTest, CarriedBridgeImageIsRoundedToBlocksButAFileKeepsItsLength) {
    CRom_Flash rom;
    const Bytes carried = Carried(IDR_BRIDGE_FIRMWARE);
    ASSERT_EQ(rom.m_nDataSize, 55296u);
    EXPECT_EQ(Bytes(rom.m_pData.get(), rom.m_pData.get() + carried.size()), carried);
    EXPECT_EQ(Bytes(rom.m_pData.get() + 55168, rom.m_pData.get() + 55296), Bytes(128, 0xFF));

    EXPECT_TRUE(rom.LoadFile(files.Write("bridge.bin", carried).c_str()));
    EXPECT_EQ(rom.m_nDataSize, 55168u);

    for (const auto& [nSize, nRounded] : {std::pair<UINT, UINT>{0, 0},
                                          {1, 512},
                                          {512, 512},
                                          {513, 1024},
                                          {0xFFFFFFFF, 0xFFFFFFFF}}) {
        rom.SetDataSize(nSize);
        EXPECT_EQ(rom.m_nDataSize, nRounded) << nSize;
    }
}

TEST_F(RomObjectTest, FileOfExactlyTheBufferSizeLoadsAndOneByteMoreChangesNothing) {
    CRom_Host rom;
    rom.m_pOwner = &owner;
    Bytes image = Carried(IDR_SEEPROM_HOST);
    image.resize(rom.m_nBufferSize, 0x5A);
    image[0x1E] = 0x19;
    ASSERT_TRUE(rom.LoadFile(files.Write("full.bin", image).c_str()));
    EXPECT_EQ(Held(rom), image);
    EXPECT_EQ(rom.m_strRomVersion, u"C019");
    EXPECT_EQ(owner.nLoads, 1);

    image.push_back(0x00);
    const std::u16string strLong = files.Write("long.bin", image);
    image.pop_back();
    // 4 GiB and one byte, sparse: a length cut to 32 bits would look like 1.
    const std::u16string strHuge = files.Write("huge.bin", Bytes{});
    std::filesystem::resize_file(files.Root() + "/huge.bin", 0x100000001);
    for (const std::u16string& path : {strLong, strHuge}) {
        EXPECT_FALSE(rom.LoadFile(path.c_str()));
        EXPECT_EQ(Held(rom), image);
        EXPECT_EQ(rom.m_strRomVersion, u"C019");
        EXPECT_EQ(owner.nLoads, 1) << "a refused file does not refresh the dialog";
    }
}

TEST_F(RomObjectTest, ShorterFileLeavesTheRestOfTheBufferErased) {
    CRom_Host rom;
    ASSERT_TRUE(rom.LoadFile(files.Write("short.bin", Bytes{0xAA, 0x55, 1, 2, 3}).c_str()));
    EXPECT_EQ(rom.m_nDataSize, 5u);
    EXPECT_TRUE(std::all_of(rom.m_pData.get() + 5, rom.m_pData.get() + rom.m_nBufferSize,
                            [](BYTE b) { return b == 0xFF; }));
    EXPECT_EQ(rom.m_strRomVersion, u"FFFF") << "the version word lies in the erased part";
}

TEST_F(RomObjectTest, FileThatCannotBeReadDropsTheImageAndSaysSo) {
    std::filesystem::create_directory(files.Root() + "/folder");
    const std::u16string unreadable[] = {files.Path("missing.bin"), files.Path("folder"),
                                         u"/dev/null"};
    for (const std::u16string& path : unreadable) {
        CRom_Host rom;
        rom.m_pOwner = &owner;
        rom.RefreshRomVersion();
        ASSERT_EQ(rom.m_strRomVersion, u"C018");
        const int nLoadsBefore = owner.nLoads;

        EXPECT_FALSE(rom.LoadFile(path.c_str()));
        EXPECT_FALSE(rom.IsLoaded());
        EXPECT_EQ(rom.m_strRomVersion, u"Read file error.");
        EXPECT_EQ(owner.nLoads, nLoadsBefore + 1) << "the dialog shows the new text at once";
    }
}

TEST_F(RomObjectTest, EmptyFileLeavesNoImage) {
    CRom_Flash rom;
    EXPECT_FALSE(rom.LoadFile(files.Write("empty.bin", Bytes{}).c_str()));
    EXPECT_FALSE(rom.IsLoaded());
    EXPECT_EQ(rom.m_strRomVersion, u"Read file error.");
    std::u16string strTitle;
    EXPECT_FALSE(rom.NeedsUpdate(strTitle));
}

TEST_F(RomObjectTest, FileDroppedOnTheFieldReplacesTheImage) {
    CRom_Flash rom;
    rom.m_pOwner = &owner;
    const Bytes image = Carried(IDR_BRIDGE_FIRMWARE_0024);
    const std::vector<std::u16string> drop = {files.Write("old.bin", image),
                                              files.Write("new.bin", Carried(IDR_BRIDGE_FIRMWARE))};
    EXPECT_TRUE(rom.m_editRomVersion.OnDropFiles(drop));
    EXPECT_EQ(Held(rom), image);
    EXPECT_EQ(rom.m_strRomVersion, u"0024");
    EXPECT_EQ(owner.nLoads, 1);
}

TEST_F(RomObjectTest, ImageWithoutItsMarkStaysHeldAndSelectable) {
    CRom_Flash rom;
    Bytes image = Carried(IDR_BRIDGE_FIRMWARE);
    image[0xF3] = 'B';
    ASSERT_TRUE(rom.LoadFile(files.Write("bad-tag.bin", image).c_str()));
    EXPECT_EQ(rom.m_strRomVersion, u"Invalid ROM contents");
    EXPECT_TRUE(rom.IsLoaded());
    std::u16string strTitle;
    EXPECT_TRUE(rom.NeedsUpdate(strTitle)) << "an unread device string sorts first";
}

TEST_F(RomObjectTest, CheckBoxFollowsTheComparisonAndTheDevice) {
    CRom_Host rom;
    rom.m_pOwner = &owner;
    rom.m_chkUpdate.Bind(1013);
    rom.m_wDeviceVersion = 0xC017;

    rom.UpdateCheckBox(true);
    EXPECT_TRUE(rom.m_bUpdate);
    EXPECT_EQ(rom.m_chkUpdate.GetWindowText(), u"Firmware #2 Version(*):");
    EXPECT_EQ(rom.m_chkUpdate.GetCheck(), BST_CHECKED);
    EXPECT_TRUE(rom.m_chkUpdate.IsWindowEnabled());
    EXPECT_TRUE(rom.IsUpdateChecked());

    rom.m_bUpdateLocked = true;
    rom.UpdateCheckBox(true);
    EXPECT_FALSE(rom.m_chkUpdate.IsWindowEnabled());
    EXPECT_EQ(rom.m_chkUpdate.GetCheck(), BST_CHECKED) << "a locked box still shows the need";
}

TEST_F(RomObjectTest, WithoutCheckBoxWindowTheFlagIsTheSelection) {
    CRom_Host rom;
    rom.m_wDeviceVersion = 0xC017;
    rom.UpdateCheckBox(true);
    EXPECT_TRUE(rom.IsUpdateChecked());
    EXPECT_EQ(rom.m_chkUpdate.GetWindowText(), u"") << "no window, no label";

    rom.m_wDeviceVersion = 0xC018;
    rom.UpdateCheckBox(true);
    EXPECT_FALSE(rom.IsUpdateChecked());

    rom.m_wDeviceVersion = 0xC017;
    rom.UpdateCheckBox(true);
    ASSERT_FALSE(rom.LoadFile(files.Path("missing.bin").c_str()));
    EXPECT_FALSE(rom.IsUpdateChecked()) << "nothing held, nothing to write";
}

TEST_F(RomObjectTest, NoDeviceClearsEveryBox) {
    CRom_Flash flash;
    CRom_Host host;
    CRom_Cpu cpu;
    for (CRomObject* pRom : std::initializer_list<CRomObject*>{&flash, &host, &cpu}) {
        pRom->m_bVendorMode = true;
    }
    ASSERT_TRUE(cpu.LoadFile(files.Write("cpu.bin", Carried(IDR_SEEPROM_CPU)).c_str()));
    struct Row {
        CRomObject* pRom;
        const char16_t* pszLabel;
    };
    const Row rows[] = {{&flash, u"FLASH-ROM Version:"},
                        {&host, u"SEEPROM(Host) Version:"},
                        {&cpu, u"SEEPROM(CPU) Version:"}};
    for (const Row& row : rows) {
        row.pRom->m_pOwner = &owner;
        row.pRom->m_chkUpdate.Bind(1012);
        row.pRom->m_wDeviceVersion = 0;  // every image is newer than this
        row.pRom->UpdateCheckBox(true);
        ASSERT_TRUE(row.pRom->m_bUpdate) << Utf16ToUtf8(row.pszLabel);

        row.pRom->UpdateCheckBox(false);
        EXPECT_FALSE(row.pRom->m_bUpdate);
        EXPECT_FALSE(row.pRom->IsUpdateChecked());
        EXPECT_EQ(row.pRom->m_chkUpdate.GetCheck(), BST_UNCHECKED);
        EXPECT_FALSE(row.pRom->m_chkUpdate.IsWindowEnabled());
        EXPECT_EQ(row.pRom->m_chkUpdate.GetWindowText(), row.pszLabel);
    }
}

}  // namespace
}  // namespace rf::test
