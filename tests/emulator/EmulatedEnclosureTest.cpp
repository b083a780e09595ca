#include <gtest/gtest.h>

#include <filesystem>

#include "emulator/EnclosureStore.h"
#include "support/EmulatorFixture.h"
#include "support/TestImages.h"

namespace rf::test {
namespace {

TEST(EmulatedEnclosureTest, RevisionFollowsTheFirmwareInTheFlash) {
    CEmulatorFixture fixture;
    ASSERT_TRUE(fixture.OpenDevice());
    EXPECT_EQ(fixture.device.m_strRevision, u"FFFF");
    EXPECT_TRUE(fixture.device.m_bRomMode);
    fixture.InstallFirmware(MakeBridgeFirmware(4096, "0.25", 1));
    fixture.device.Close();
    ASSERT_TRUE(fixture.OpenDevice());
    EXPECT_EQ(fixture.device.m_strRevision, u"0.25");
    EXPECT_FALSE(fixture.device.m_bRomMode);
    EXPECT_EQ(fixture.device.m_strBusName, u"USB2.0");
}

TEST(EmulatedEnclosureTest, InjectedFaultsActAtTheirCommandIndex) {
    CEmulatorFixture fixture;
    fixture.InstallFirmware(MakeBridgeFirmware(4096, "0.25", 1));
    ASSERT_TRUE(fixture.OpenDevice());
    std::vector<BYTE> buffer(8, 0x11);
    const std::uint64_t n = fixture.enclosure->NextCommandIndex();

    fixture.enclosure->AddFault(emu::Fault{n, emu::FaultKind::CheckCondition});
    EXPECT_TRUE(fixture.device.ReadHostEeprom(0, buffer.data(), 8, nullptr));
    EXPECT_EQ(fixture.device.m_bScsiStatus, 0x02);
    EXPECT_EQ(buffer, std::vector<BYTE>(8, 0x11));

    fixture.enclosure->AddFault(emu::Fault{n + 1, emu::FaultKind::Fail});
    EXPECT_FALSE(fixture.device.ReadHostEeprom(0, buffer.data(), 8, nullptr));
    EXPECT_EQ(fixture.enclosure->NextCommandIndex(), n + 7) << "all six attempts failed";
    EXPECT_TRUE(fixture.device.ReadHostEeprom(0, buffer.data(), 8, nullptr))
        << "then it works again";

    fixture.enclosure->AddFault(emu::Fault{n + 8, emu::FaultKind::PowerCut});
    EXPECT_FALSE(fixture.device.ReadHostEeprom(0, buffer.data(), 8, nullptr));
    EXPECT_FALSE(fixture.device.ReadHostEeprom(0, buffer.data(), 8, nullptr));
    EXPECT_FALSE(fixture.enclosure->IsPowered());
    fixture.device.Close();
    EXPECT_FALSE(fixture.OpenDevice()) << "a drive without power is gone";
}

TEST(EmulatedEnclosureTest, PowerLostDuringTheBridgesOwnProgrammingLeavesRomMode) {
    const std::vector<BYTE> image = MakeBridgeFirmware(55296, "0.27", 2);
    // Power lost before the first bus cycle of the erase leaves the old
    // firmware as it was; later, the bridge starts without firmware.
    {
        CEmulatorFixture fixture;
        const std::vector<BYTE> old = MakeBridgeFirmware(55296, "0.24", 1);
        fixture.InstallFirmware(old);
        ASSERT_TRUE(fixture.OpenDevice());
        fixture.enclosure->AddFault(
            emu::Fault{fixture.enclosure->NextCommandIndex(), emu::FaultKind::PowerCut, 1});
        std::vector<BYTE> held = image;
        held.resize(0x20000, 0xFF);
        EXPECT_FALSE(fixture.device.WriteFlashRom(held.data(), 55296, nullptr));
        fixture.enclosure->PowerOn();
        EXPECT_EQ(fixture.FlashContents(old.size()), old);
    }
    for (const std::uint64_t nAfter : {50ull, 20'000ull, 300'000ull, 900'000ull}) {
        CEmulatorFixture fixture;
        fixture.InstallFirmware(MakeBridgeFirmware(55296, "0.24", 1));
        ASSERT_TRUE(fixture.OpenDevice());
        fixture.enclosure->AddFault(
            emu::Fault{fixture.enclosure->NextCommandIndex(), emu::FaultKind::PowerCut, nAfter});
        std::vector<BYTE> held = image;
        held.resize(0x20000, 0xFF);
        EXPECT_FALSE(fixture.device.WriteFlashRom(held.data(), 55296, nullptr));
        fixture.enclosure->PowerOn();
        EXPECT_TRUE(fixture.enclosure->IsRomMode()) << "cut " << nAfter << " us into the command";
    }
}

TEST(EmulatedEnclosureTest, BusTimeIsChargedToTheClock) {
    for (const char* pszBus : {"usb2", "usb11", "ieee1394"}) {
        CEmulatorFixture fixture("SST SST39VF020", pszBus);
        ASSERT_TRUE(fixture.OpenDevice());
        fixture.env.clock.ClearSleeps();
        const std::uint64_t nBefore = fixture.env.clock.NowMicroseconds();
        std::vector<BYTE> buffer(64);
        ASSERT_TRUE(fixture.device.ReadHostEeprom(0, buffer.data(), 64, nullptr));
        EXPECT_EQ(fixture.env.clock.NowMicroseconds() - nBefore,
                  emu::CommandMicroseconds(fixture.enclosure->Bus(), 64));
        EXPECT_TRUE(fixture.env.clock.Sleeps().empty()) << "device time is not a sleep of ours";
        EXPECT_EQ(fixture.device.GetMaxUiPacketLength(),
                  std::string(pszBus) == "usb11" ? 60u : 256u);
    }
}

TEST(EmulatedEnclosureTest, StateSurvivesInItsDirectory) {
    const std::string strDirectory =
        (std::filesystem::temp_directory_path() / "reflasher-store-test").string();
    std::filesystem::remove_all(strDirectory);
    CEmulatorFixture fixture("EON EN29LV010", "ieee1394");
    fixture.InstallFirmware(MakeBridgeFirmware(4096, "0.26", 3));
    fixture.enclosure->HostEeprom()[5] = 0x42;
    fixture.enclosure->CpuEeprom()[7] = 0x43;
    std::string strError;
    ASSERT_TRUE(emu::SaveEnclosure(*fixture.enclosure, strDirectory, strError)) << strError;
    auto loaded = emu::LoadEnclosure(strDirectory, strError);
    ASSERT_NE(loaded, nullptr) << strError;
    EXPECT_EQ(loaded->Flash().Contents(), fixture.enclosure->Flash().Contents());
    EXPECT_EQ(loaded->Flash().Model().pszName, std::string("EON EN29LV010"));
    EXPECT_EQ(loaded->Bus().pszName, std::string("ieee1394"));
    EXPECT_EQ(loaded->HostEeprom()[5], 0x42);
    EXPECT_EQ(loaded->CpuEeprom()[7], 0x43);
    EXPECT_EQ(loaded->Revision(), "0.26");

    // A damaged memory file is refused with a reason.
    std::filesystem::resize_file(std::filesystem::path(strDirectory) / "seeprom-host.bin", 100);
    EXPECT_EQ(emu::LoadEnclosure(strDirectory, strError), nullptr);
    EXPECT_NE(strError.find("seeprom-host.bin holds 100 bytes"), std::string::npos) << strError;
    // A file far larger than any memory is refused without being read.
    std::filesystem::resize_file(std::filesystem::path(strDirectory) / "seeprom-host.bin",
                                 std::uintmax_t{128} << 20);
    EXPECT_EQ(emu::LoadEnclosure(strDirectory, strError), nullptr);
    EXPECT_NE(strError.find("more than any memory of the enclosure"), std::string::npos)
        << strError;
    std::filesystem::remove_all(strDirectory);
    EXPECT_EQ(emu::LoadEnclosure(strDirectory, strError), nullptr);
}

TEST(EmulatedEnclosureTest, TraceLinesAndFaultTexts) {
    emu::TraceEntry entry;
    entry.nIndex = 12;
    entry.cdb = {0xFD, 0x02, 0x00, 0x02, 0x55, 0x55, 0x00, 0x00, 0x01, 0x00};
    entry.nCdbLength = 10;
    entry.direction = emu::TraceDirection::Out;
    entry.nLength = 1;
    entry.dataOut = {0xAA};
    entry.nStatus = 0;
    EXPECT_EQ(emu::FormatTraceLine(entry), "12 FD020002555500000100 out 1 AA 00");
    entry.direction = emu::TraceDirection::None;
    entry.dataOut.clear();
    entry.nLength = 0;
    entry.nStatus = 0xFF;
    EXPECT_EQ(emu::FormatTraceLine(entry), "12 FD020002555500000100 none 0 - FF");

    EXPECT_EQ(emu::ParseFault("power-cut:120")->nIndex, 120u);
    EXPECT_EQ(emu::ParseFault("power-cut:120+500")->nAfterMicroseconds, 500u);
    EXPECT_EQ(emu::ParseFault("check-condition:7")->kind, emu::FaultKind::CheckCondition);
    for (const char* pszBad :
         {"fail", "fail:", "fail:x", "melt:3", "fail:3+5", "power-cut:-1", ""}) {
        EXPECT_FALSE(emu::ParseFault(pszBad).has_value()) << pszBad;
    }
}

}  // namespace
}  // namespace rf::test
