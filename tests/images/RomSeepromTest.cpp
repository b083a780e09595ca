#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "firmware/FirmwareImages.h"
#include "images/RomSeeprom.h"
#include "support/EmulatorFixture.h"
#include "support/TempFiles.h"

namespace rf::test {
namespace {

using Bytes = std::vector<BYTE>;

Bytes Carried(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    return Bytes(image.begin(), image.end());
}

// A valid header with this version and serial field (32 bytes).
Bytes Header(WORD wVersion, const Bytes& serial) {
    Bytes header = Carried(IDR_SEEPROM_HOST);
    header.resize(kSeepromHeaderSize);
    header[0x1E] = static_cast<BYTE>(wVersion);
    header[0x1F] = static_cast<BYTE>(wVersion >> 8);
    std::copy(serial.begin(), serial.end(), header.begin() + 0x60);
    ComputeSeepromChecksum(header.data());
    return header;
}

void Put(std::vector<BYTE>& memory, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), memory.begin());
}

TEST(SeepromHeaderTest, SumMustBeZeroAndOnlyTheChecksumIsMended) {
    Bytes header = Header(0xC018, Bytes(32, 0));
    ASSERT_TRUE(IsValidSeepromHeader(header.data()));

    header[0x10] = 1;  // the words now add up to 1
    EXPECT_FALSE(IsValidSeepromHeader(header.data()));
    Bytes mended = header;
    ComputeSeepromChecksum(mended.data());
    EXPECT_TRUE(IsValidSeepromHeader(mended.data()));
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (i != 2 && i != 3) {
            EXPECT_EQ(mended[i], header[i]) << i;
        }
    }

    mended[0] = 0xAB;  // no magic: the sum alone is not enough
    ComputeSeepromChecksum(mended.data());
    EXPECT_FALSE(IsValidSeepromHeader(mended.data()));
}

TEST(SeepromHeaderTest, CarriedHostImageTextsAndComparison) {
    CTestEnvironment env;
    for (bool bVendor : {false, true}) {
        CRom_Host rom;
        rom.m_bVendorMode = bVendor;
        rom.UpdateRomVersion();
        EXPECT_EQ(rom.m_strRomVersion, u"C018");
        std::u16string strTitle;
        rom.NeedsUpdate(strTitle);
        EXPECT_EQ(strTitle, bVendor ? u"SEEPROM(Host) Version" : u"Firmware #2 Version");
    }
}

TEST(SeepromHeaderTest, NewerOnlyAboveAVersionThatWasRead) {
    CTestEnvironment env;
    struct Case {
        WORD wDevice;
        WORD wImage;
        bool bNewer;
    };
    const Case cases[] = {
        {0xC017, 0xC018, true},  {0xC018, 0xC018, false},
        {0xC019, 0xC018, false}, {0x0000, 0xC018, true},  // invalid device header
        {0xFFFF, 0xC018, false},                          // not read
        {0x7FFF, 0x8000, true},                           // unsigned
        {0x0000, 0x0000, false},
    };
    CTempFiles files;
    for (const Case& c : cases) {
        CRom_Host host;
        CRom_Cpu cpu;
        const Bytes header = Header(c.wImage, Bytes(32, 0));
        ASSERT_TRUE(cpu.LoadFile(files.Write("cpu.bin", header).c_str()));
        std::copy(header.begin(), header.end(), host.m_pData.get());
        host.m_wDeviceVersion = c.wDevice;
        cpu.m_wDeviceVersion = c.wDevice;
        std::u16string strTitle;
        EXPECT_EQ(host.NeedsUpdate(strTitle), c.bNewer) << c.wDevice << " / " << c.wImage;
        EXPECT_EQ(cpu.NeedsUpdate(strTitle), c.bNewer) << c.wDevice << " / " << c.wImage;
        EXPECT_EQ(strTitle, u"SEEPROM(CPU) Version");
    }
    CRom_Cpu cpu;  // no image
    cpu.m_wDeviceVersion = 0;
    std::u16string strTitle;
    EXPECT_FALSE(cpu.NeedsUpdate(strTitle));
}

TEST(SeepromHeaderTest, CpuImageNeedsTheWholeHeaderHostOnlyTheMagic) {
    CTestEnvironment env;
    CTempFiles files;
    Bytes header = Header(0xC018, Bytes(32, 0));
    header[0x40] ^= 1;
    CRom_Host host;
    CRom_Cpu cpu;
    ASSERT_TRUE(host.LoadFile(files.Write("a.bin", header).c_str()));
    ASSERT_TRUE(cpu.LoadFile(files.Write("a.bin", header).c_str()));
    EXPECT_EQ(host.m_strRomVersion, u"C018");
    EXPECT_EQ(cpu.m_strRomVersion, u"Invalid ROM contents");
    header[0] = 0;
    ASSERT_TRUE(host.LoadFile(files.Write("b.bin", header).c_str()));
    EXPECT_EQ(host.m_strRomVersion, u"Invalid ROM contents");
}

class SeepromDeviceTest : public ::testing::Test {
protected:
    void Start(bool bFirmware) {
        fixture.InstallFirmware(bFirmware ? Carried(IDR_BRIDGE_FIRMWARE) : Bytes{});
        ASSERT_TRUE(fixture.OpenDevice());
    }
    void FailCommand(std::uint64_t nAhead) {
        fixture.enclosure->AddFault(
            emu::Fault{fixture.enclosure->NextCommandIndex() + nAhead, emu::FaultKind::Fail});
    }

    CEmulatorFixture fixture;
    CRom_Host host;
    CRom_Cpu cpu;
};

TEST_F(SeepromDeviceTest, HostVersionValidInvalidAndUnread) {
    Start(true);
    Put(fixture.enclosure->HostEeprom(), Carried(IDR_SEEPROM_HOST_C017));
    host.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(host.m_strDeviceVersion, u"C017");
    EXPECT_EQ(host.m_wDeviceVersion, 0xC017);
    std::u16string strTitle;
    EXPECT_TRUE(host.NeedsUpdate(strTitle));

    fixture.enclosure->HostEeprom()[0x7F] ^= 0x01;  // checksum no longer right
    host.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(host.m_strDeviceVersion, u"Invalid ROM contents");
    EXPECT_EQ(host.m_wDeviceVersion, 0);
    EXPECT_TRUE(host.NeedsUpdate(strTitle));

    // Both pieces of the header read must arrive.
    for (std::uint64_t nFailing : {0u, 1u}) {
        host.m_strDeviceVersion = u"before";
        FailCommand(nFailing);
        host.ReadDeviceVersion(&fixture.device, nullptr);
        EXPECT_EQ(host.m_strDeviceVersion, u"before") << nFailing;
        EXPECT_EQ(host.m_wDeviceVersion, 0xFFFF) << nFailing;
        EXPECT_FALSE(host.NeedsUpdate(strTitle)) << nFailing;
        fixture.enclosure->ClearFaults();
    }
}

TEST_F(SeepromDeviceTest, HostIsReadEvenWithoutBridgeFirmware) {
    Start(false);
    ASSERT_TRUE(fixture.device.m_bRomMode);
    Put(fixture.enclosure->HostEeprom(), Carried(IDR_SEEPROM_HOST));
    host.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(host.m_strDeviceVersion, u"C018");
}

TEST_F(SeepromDeviceTest, CpuSerialNumberKeepsPrintableCharactersOnly) {
    Start(true);
    struct Case {
        Bytes serial;
        std::u16string expected;
    };
    Bytes letters = {'X', 'Y', 0, 'Z'};
    letters.resize(32, 0);
    Bytes mixed = {'A', 0x1F, 'B', 0x7F, 'C', 0x80, ' ', '~', 0xFF};
    mixed.resize(32, 0);
    Bytes full(32, 0);
    for (std::size_t i = 0; i < full.size(); ++i) {
        full[i] = static_cast<BYTE>('0' + i % 43);
    }
    const Case cases[] = {
        {letters, u"XYZ"},  // zero bytes are skipped, not an end
        {mixed, u"ABC ~"},
        {full, Widen(std::string(full.begin(), full.end()))},
    };
    for (const Case& c : cases) {
        Put(fixture.enclosure->CpuEeprom(), Header(0xC010, c.serial));
        cpu.ReadDeviceVersion(&fixture.device, nullptr);
        EXPECT_EQ(cpu.m_strDeviceVersion, u"C010");
        EXPECT_EQ(cpu.m_wDeviceVersion, 0xC010);
        EXPECT_EQ(cpu.m_strSerialNo, c.expected);
        EXPECT_TRUE(std::equal(c.serial.begin(), c.serial.end(), cpu.m_abSerialNo.begin()));
    }
    EXPECT_EQ(cpu.m_strSerialNo.size(), 32u);
}

TEST_F(SeepromDeviceTest, CpuInvalidUnreadAndUnreadable) {
    Start(true);
    Bytes header = Header(0xC010, Bytes(32, 'S'));
    header[0x21] ^= 0x04;
    Put(fixture.enclosure->CpuEeprom(), header);
    cpu.m_strSerialNo = u"old";
    cpu.ReadDeviceVersion(&fixture.device, nullptr);
    EXPECT_EQ(cpu.m_strDeviceVersion, u"Invalid ROM contents");
    EXPECT_EQ(cpu.m_wDeviceVersion, 0);
    EXPECT_EQ(cpu.m_strSerialNo, u"");

    Put(fixture.enclosure->CpuEeprom(), Header(0xC010, Bytes(32, 'S')));
    for (std::uint64_t nFailing : {0u, 1u}) {
        cpu.m_strSerialNo = u"old";
        FailCommand(nFailing);
        cpu.ReadDeviceVersion(&fixture.device, nullptr);
        EXPECT_EQ(cpu.m_strDeviceVersion, u"Invalid ROM contents") << nFailing;
        EXPECT_EQ(cpu.m_wDeviceVersion, 0xFFFF) << nFailing;
        EXPECT_EQ(cpu.m_strSerialNo, u"") << nFailing;
        fixture.enclosure->ClearFaults();
    }

    Start(false);
    ASSERT_TRUE(fixture.device.m_bRomMode);
    cpu.m_strSerialNo = u"kept";
    const std::uint64_t nCommands = fixture.enclosure->NextCommandIndex();
    for (bool bVendor : {false, true}) {
        cpu.m_bVendorMode = bVendor;
        cpu.ReadDeviceVersion(&fixture.device, nullptr);
        EXPECT_EQ(cpu.m_strDeviceVersion, u"Unreadable");
        EXPECT_EQ(cpu.m_wDeviceVersion, 0xFFFF);
    }
    EXPECT_EQ(cpu.m_strSerialNo, u"kept");
    EXPECT_EQ(fixture.enclosure->NextCommandIndex(), nCommands) << "nothing is asked";
}

TEST_F(SeepromDeviceTest, HeldCpuImageTakesTheUnitsSerialNumberAndNothingElse) {
    Start(true);
    CTempFiles files;
    const Bytes image = Carried(IDR_SEEPROM_CPU);
    ASSERT_TRUE(cpu.LoadFile(files.Write("cpu.bin", image).c_str()));
    const std::u16string strImageText = cpu.m_strRomVersion;
    Bytes serial(32, 0);
    std::fill_n(serial.begin(), 12, BYTE{'K'});
    Put(fixture.enclosure->CpuEeprom(), Header(0xC011, serial));

    cpu.ReadDeviceVersion(&fixture.device, nullptr);
    const Bytes held(cpu.m_pData.get(), cpu.m_pData.get() + cpu.m_nDataSize);
    ASSERT_EQ(held.size(), image.size());
    EXPECT_TRUE(IsValidSeepromHeader(held.data()));
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (i >= 0x60 && i < 0x80) {
            EXPECT_EQ(held[i], serial[i - 0x60]) << i;
        } else if (i != 2 && i != 3) {
            EXPECT_EQ(held[i], image[i]) << i;
        }
    }
    EXPECT_EQ(cpu.m_strRomVersion, strImageText);
}

}  // namespace
}  // namespace rf::test
