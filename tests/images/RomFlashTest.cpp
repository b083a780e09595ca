#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "images/RomFlash.h"
#include "support/EmulatorFixture.h"

namespace rf::test {
namespace {

using Bytes = std::vector<BYTE>;

constexpr char kCarriedString[] = "0.27 KESTREL_DVXDUO 2013/11/12 15:11:15";

Bytes Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return Bytes(image.begin(), image.end());
}

void PutString(BYTE* pField, const std::string& text) {
    std::memset(pField, 0, 128);
    std::memcpy(pField, text.data(), std::min<std::size_t>(text.size(), 128));
}

TEST(RomFlashTest, CarriedImageTextsInBothModes) {
    CTestEnvironment env;
    CRom_Flash rom;
    rom.UpdateRomVersion();
    EXPECT_EQ(rom.m_strRomVersion, u"0027");
    rom.m_bVendorMode = true;
    rom.UpdateRomVersion();
    EXPECT_EQ(rom.m_strRomVersion, Widen(kCarriedString));
}

TEST(RomFlashTest, NewerWhenTheDeviceStringSortsFirst) {
    CTestEnvironment env;
    struct Case {
        std::string device;
        std::string image;
        bool bNewer;
    };
    const std::string s128(128, 'x');
    const Case cases[] = {
        {kCarriedString, kCarriedString, false},
        {"0.26 KESTREL_DVXDUO 2013/01/01 00:00:00", kCarriedString, true},
        {"0.28", kCarriedString, false},
        {"0.3", kCarriedString, false},  // the character 3 sorts after 2
        {"0.27", kCarriedString, true},  // a string that ends earlier is smaller
        {"", kCarriedString, true},      // nothing read
        {kCarriedString, "", false},     // an image without string is never newer
        {"", "", false},
        {"\x80", "0.27", false},  // bytes compare unsigned
        {s128, s128, false},
        {s128.substr(0, 127) + "w", s128, true},  // decided by the last byte
    };
    for (const Case& c : cases) {
        CRom_Flash rom;
        PutString(rom.m_szDeviceVersion.data(), c.device);
        PutString(rom.m_pData.get() + 0x240, c.image);
        std::u16string strTitle;
        EXPECT_EQ(rom.NeedsUpdate(strTitle), c.bNewer) << c.device << " / " << c.image;
        EXPECT_EQ(strTitle, u"Firmware Version");
    }
    CRom_Flash rom;
    rom.m_nDataSize = 0;
    std::u16string strTitle;
    rom.m_bVendorMode = true;
    EXPECT_FALSE(rom.NeedsUpdate(strTitle)) << "no image held";
    EXPECT_EQ(strTitle, u"FLASH-ROM Version");
}

class RomFlashDeviceTest : public ::testing::Test {
protected:
    void Start(const Bytes& firmware) {
        fixture.InstallFirmware(firmware);
        ASSERT_TRUE(fixture.OpenDevice());
    }

    CEmulatorFixture fixture;
    CRom_Flash rom;
};

TEST_F(RomFlashDeviceTest, FirmwareModeShowsTheDevicesVersion) {
    Start(Carried(IDR_BRIDGE_FIRMWARE_0024));
    rom.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(rom.m_strDeviceVersion, u"0024");
    std::u16string strTitle;
    EXPECT_TRUE(rom.NeedsUpdate(strTitle));
    EXPECT_EQ(fixture.device.m_dwFlashBase, 0x20000u);

    rom.m_bVendorMode = true;
    Start(Carried(IDR_BRIDGE_FIRMWARE));
    rom.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(rom.m_strDeviceVersion, Widen(kCarriedString));
    EXPECT_FALSE(rom.NeedsUpdate(strTitle));
}

TEST_F(RomFlashDeviceTest, RomModeShowsTheChipInsteadAndAnyImageIsNewer) {
    ASSERT_TRUE(fixture.OpenDevice());  // a blank FLASH-ROM: the bridge runs its boot code
    ASSERT_TRUE(fixture.device.m_bRomMode);
    for (bool bVendor : {false, true}) {
        rom.m_bVendorMode = bVendor;
        rom.ReadDeviceVersion(&fixture.device, nullptr);
        EXPECT_EQ(rom.m_strDeviceVersion, u"FLASH-ROM = \"SST SST39VF020\"");
        std::u16string strTitle;
        EXPECT_TRUE(rom.NeedsUpdate(strTitle));
    }
    EXPECT_TRUE(fixture.device.m_bRomMode) << "the programming still needs to know";

    fixture.device.m_pFlashChip = nullptr;
    rom.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(rom.m_strDeviceVersion, u"FLASH-ROM = \"--- unknown ---\"");
}

TEST_F(RomFlashDeviceTest, FirmwareWithoutTheTagIsInvalid) {
    Start(Carried(IDR_BRIDGE_FIRMWARE));
    Bytes changed = Carried(IDR_BRIDGE_FIRMWARE);
    changed[0xF7] = 'X';
    fixture.enclosure->Flash().SetContents(changed);  // the running bridge keeps going
    rom.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(rom.m_strDeviceVersion, u"Invalid ROM contents");
    EXPECT_EQ(rom.m_szDeviceVersion, (std::array<BYTE, 128>{}));
}

TEST_F(RomFlashDeviceTest, SameVersionOverADamagedFirstBlockIsOffered) {
    // The signature and the version are complete, a bit further on in the
    // first block is not: the power went while the block was programmed.
    Bytes damaged = Carried(IDR_BRIDGE_FIRMWARE);
    damaged[0x41] = 0xFF;
    Start(damaged);
    rom.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(rom.m_strDeviceVersion, u"0027");
    std::u16string strTitle;
    EXPECT_TRUE(rom.NeedsUpdate(strTitle));

    // A first block that could not be read decides nothing on its own.
    Start(damaged);
    fixture.enclosure->AddFault(
        emu::Fault{fixture.enclosure->NextCommandIndex() + 4, emu::FaultKind::Fail});
    rom.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(rom.m_strDeviceVersion, u"0027");
    EXPECT_FALSE(rom.NeedsUpdate(strTitle));
}

TEST_F(RomFlashDeviceTest, FailedReadsLeaveNoVersionString) {
    // Commands: tag, version number, then the string in two pieces.
    for (std::uint64_t nFailing : {0u, 1u, 2u, 3u}) {
        Start(Carried(IDR_BRIDGE_FIRMWARE));
        rom.ReadDeviceVersion(&fixture.device, nullptr);
        ASSERT_EQ(rom.m_strDeviceVersion, u"0027");

        fixture.enclosure->AddFault(
            emu::Fault{fixture.enclosure->NextCommandIndex() + nFailing, emu::FaultKind::Fail});
        rom.ReadDeviceVersion(&fixture.device, nullptr);
        EXPECT_EQ(rom.m_strDeviceVersion, u"Invalid ROM contents") << nFailing;
        EXPECT_EQ(rom.m_szDeviceVersion, (std::array<BYTE, 128>{})) << nFailing;
        std::u16string strTitle;
        EXPECT_TRUE(rom.NeedsUpdate(strTitle)) << nFailing;
        fixture.enclosure->ClearFaults();
    }
}

TEST_F(RomFlashDeviceTest, FullLengthStringIsShownWhole) {
    rom.m_bVendorMode = true;
    Bytes firmware = Carried(IDR_BRIDGE_FIRMWARE);
    std::fill_n(firmware.begin() + 0x240, 128, BYTE{'9'});
    Start(firmware);
    rom.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(rom.m_strDeviceVersion, std::u16string(128, u'9'));
    std::u16string strTitle;
    EXPECT_FALSE(rom.NeedsUpdate(strTitle));
}

}  // namespace
}  // namespace rf::test
