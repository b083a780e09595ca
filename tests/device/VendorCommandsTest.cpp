#include <gtest/gtest.h>

#include <vector>

#include "device/ScsiDevice.h"
#include "framework/MessageLoop.h"
#include "support/ProgressRecorder.h"
#include "support/ScriptedDevice.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

using Block = std::vector<BYTE>;

// Counts how often the message pump ran.
class CCountingPump final : public IMessagePump {
public:
    void Pump() override { ++nPumps; }
    void Post(CMessageTarget&, UINT, WPARAM, LPARAM) override {}
    void SetTimer(CMessageTarget&, UINT, UINT) override {}
    void KillTimer(CMessageTarget&, UINT) override {}
    int nPumps = 0;
};

class VendorCommandsTest : public ::testing::Test {
protected:
    VendorCommandsTest() : drive(system.AddDrive(u"/dev/sg1")), device(system) {
        device.CDeviceBase::Open(u"/dev/sg1");
    }

    std::vector<Block> Blocks() const {
        std::vector<Block> blocks;
        for (const RecordedRequest& record : drive->requests) {
            blocks.emplace_back(record.request.Cdb.begin(),
                                record.request.Cdb.begin() + record.request.CdbLength);
        }
        return blocks;
    }

    CTestEnvironment env;
    CScriptedDeviceSystem system;
    std::shared_ptr<ScriptedDrive> drive;
    CScsiDevice device;
};

TEST_F(VendorCommandsTest, FlashWindowAddsTheBaseInBigEndianOrder) {
    device.m_dwFlashBase = 0x20000;
    std::vector<BYTE> buffer(8);
    ASSERT_TRUE(device.ReadFlash(0xF0, buffer.data(), 8, nullptr));
    EXPECT_EQ(Blocks(),
              (std::vector<Block>{{0xFD, 0x01, 0x00, 0x02, 0x00, 0xF0, 0x00, 0x00, 0x08, 0x00}}));

    drive->requests.clear();
    const std::vector<BYTE> data(100, 0x5A);
    ASSERT_TRUE(device.WriteFlash(0x1FFF0, data.data(), 100, nullptr));
    EXPECT_EQ(Blocks(),
              (std::vector<Block>{{0xFD, 0x02, 0x00, 0x03, 0xFF, 0xF0, 0x00, 0x00, 0x40, 0x00},
                                  {0xFD, 0x02, 0x00, 0x04, 0x00, 0x30, 0x00, 0x00, 0x24, 0x00}}));
    EXPECT_EQ(drive->requests[1].dataOut, std::vector<BYTE>(36, 0x5A));
}

TEST_F(VendorCommandsTest, HostEepromReadsIn64AndWritesIn8FromTheStart) {
    CProgressRecorder recorder;
    std::vector<BYTE> buffer(128);
    ASSERT_TRUE(device.ReadHostEeprom(0, buffer.data(), 128, &recorder.progress));
    EXPECT_EQ(Blocks(), (std::vector<Block>{{0xFC, 0x01, 0, 0, 0x00, 0x00, 0, 0x00, 0x40, 0},
                                            {0xFC, 0x01, 0, 0, 0x00, 0x40, 0, 0x00, 0x40, 0}}));
    EXPECT_EQ(recorder.events.front(),
              (CProgressRecorder::Event{CProgressRecorder::Event::Range, 0, 128}));
    EXPECT_EQ(recorder.Positions(), (std::vector<int>{0, 64, 128}));

    drive->requests.clear();
    std::vector<BYTE> image(20);
    ASSERT_TRUE(device.WriteHostEeprom(image.data(), 20, nullptr));
    EXPECT_EQ(Blocks(), (std::vector<Block>{{0xFC, 0x02, 0, 0, 0x00, 0x00, 0, 0x00, 0x08, 0},
                                            {0xFC, 0x02, 0, 0, 0x00, 0x08, 0, 0x00, 0x08, 0},
                                            {0xFC, 0x02, 0, 0, 0x00, 0x10, 0, 0x00, 0x04, 0}}));
}

TEST_F(VendorCommandsTest, CpuEepromTakesLittleEndianAddresses) {
    std::vector<BYTE> answer(512);
    for (std::size_t i = 0; i < answer.size(); ++i) {
        answer[i] = static_cast<BYTE>(i);
    }
    drive->responder = [&](const ScsiRequest&) { return ScriptedAnswer{.data = answer}; };
    std::vector<BYTE> buffer(40, 0xEE);
    ASSERT_TRUE(device.ReadCpuEeprom(0x60, buffer.data(), 32, nullptr));
    EXPECT_EQ(Blocks(), (std::vector<Block>{{0xFF, 0x01, 0xFE, 0x00, 0x60, 0x00, 0, 0, 0, 0}}));
    EXPECT_EQ(drive->requests[0].request.DataTransferLength, 512u);
    EXPECT_EQ(buffer[31], 31);
    EXPECT_EQ(buffer[32], 0xEE) << "only the chunk's bytes are kept";

    drive->requests.clear();
    const BYTE bytes[] = {0x41, 0x42};
    ASSERT_TRUE(device.WriteCpuEepromAt(0x0102, bytes, 2, nullptr));
    EXPECT_EQ(Blocks(), (std::vector<Block>{{0xFF, 0x00, 0xFD, 0x41, 0x02, 0x01, 0, 0, 0, 0},
                                            {0xFF, 0x00, 0xFD, 0x42, 0x03, 0x01, 0, 0, 0, 0}}));
}

TEST_F(VendorCommandsTest, RefusedCpuEepromReadLeavesTheCallersBytes) {
    drive->responder = [](const ScsiRequest&) {
        return ScriptedAnswer{.nStatus = 0x02, .data = std::vector<BYTE>(512, 0x11)};
    };
    std::vector<BYTE> buffer(16, 0xEE);
    ASSERT_TRUE(device.ReadCpuEeprom(0, buffer.data(), 16, nullptr));
    EXPECT_EQ(buffer, std::vector<BYTE>(16, 0xEE));
}

TEST_F(VendorCommandsTest, ACheckedReadStopsAtTheFirstChunkThatDidNotComeWholeAndSaysHow) {
    std::vector<BYTE> sense(18, 0);
    sense[0] = 0x70;
    sense[2] = 0x05;
    sense[12] = 0x24;
    const ScriptedAnswer whole{true, 0, {}, std::vector<BYTE>(64, 0x11), std::nullopt};
    struct Case {
        ScriptedAnswer second;
        ReadFaultKind kind;
    };
    const Case cases[] = {
        {{true, 0x02, sense, {}, std::nullopt}, ReadFaultKind::Refused},
        {{true, 0, {}, std::vector<BYTE>(64, 0x22), 32}, ReadFaultKind::Short},
        {{false, 0, {}, {}, std::nullopt}, ReadFaultKind::NotDelivered},
    };
    for (const Case& c : cases) {
        drive->requests.clear();
        drive->answers = {whole};
        drive->answers.insert(drive->answers.end(), 6, c.second);
        std::vector<BYTE> buffer(192, 0);
        ReadFault fault;
        EXPECT_FALSE(device.ReadHostEepromChecked(0, buffer.data(), 192, nullptr, fault));
        EXPECT_EQ(fault.kind, c.kind);
        EXPECT_EQ(fault.nOffset, 64u);
        EXPECT_EQ(fault.nAsked, 64u);
        EXPECT_EQ(drive->requests.size(), c.kind == ReadFaultKind::NotDelivered ? 7u : 2u)
            << "no chunk after it";
    }

    // The plain read counts a refused chunk as read and goes on, noting it.
    drive->requests.clear();
    drive->answers = {whole, cases[0].second, whole};
    device.ClearReadFault();
    std::vector<BYTE> buffer(192, 0);
    EXPECT_TRUE(device.ReadHostEeprom(0, buffer.data(), 192, nullptr));
    EXPECT_EQ(drive->requests.size(), 3u);
    EXPECT_EQ(device.m_firstReadFault.kind, ReadFaultKind::Refused);
    EXPECT_EQ(device.m_firstReadFault.nOffset, 64u);
    EXPECT_EQ(device.m_firstReadFault.nSenseKey, 0x05);
    EXPECT_EQ(device.m_firstReadFault.nAsc, 0x24);
}

TEST_F(VendorCommandsTest, ZeroLengthSendsNothingButStillReportsProgress) {
    CProgressRecorder recorder;
    EXPECT_TRUE(device.ReadFlash(0, nullptr, 0, &recorder.progress));
    EXPECT_TRUE(drive->requests.empty());
    EXPECT_EQ(recorder.events,
              (std::vector<CProgressRecorder::Event>{{CProgressRecorder::Event::Range, 0, 0},
                                                     {CProgressRecorder::Event::Pos, 0, 0}}));
}

TEST_F(VendorCommandsTest, FailedChunkStopsWithoutAFinalPosition) {
    drive->responder = [&](const ScsiRequest&) {
        return ScriptedAnswer{.bDeliver = drive->requests.size() <
                                          2};  // the second chunk never gets through
    };
    CProgressRecorder recorder;
    std::vector<BYTE> buffer(200);
    EXPECT_FALSE(device.ReadFlash(0, buffer.data(), 200, &recorder.progress));
    EXPECT_EQ(recorder.Positions(), (std::vector<int>{0, 64}));
}

TEST_F(VendorCommandsTest, LongTransfersKeepTheirWholeProgressRange) {
    CProgressRecorder recorder;
    std::vector<BYTE> buffer(0x10040);
    ASSERT_TRUE(device.ReadFlash(0, buffer.data(), 0x10040, &recorder.progress));
    EXPECT_EQ(recorder.progress.GetUpper(), 0x10040);
    EXPECT_EQ(recorder.progress.GetPos(), 0x10040);
}

TEST_F(VendorCommandsTest, MessagesArePumpedAfterEverySuccessfulChunkOnly) {
    CCountingPump pump;
    CScopedPump scoped(pump);
    std::vector<BYTE> buffer(130);
    ASSERT_TRUE(device.ReadFlash(0, buffer.data(), 130, nullptr));
    EXPECT_EQ(pump.nPumps, 3);
    pump.nPumps = 0;
    device.GetUiState();
    EXPECT_TRUE(device.SetUiMode(1));
    EXPECT_EQ(pump.nPumps, 0) << "single UI commands do not pump";
}

TEST_F(VendorCommandsTest, UiStateReadsTheBitsInOrder) {
    struct Case {
        std::vector<BYTE> answer;
        BYTE nStatus;
        bool bDeliver;
        int nState;
    };
    const Case cases[] = {
        {{0x83}, 0, true, 4},  {{0x81}, 0, true, 0}, {{0x01}, 0, true, 2},
        {{0x00}, 0, true, -1}, {{0x00}, 2, true, 4},  // refused: the preset 0xFF is read
        {{}, 0, false, -1},
    };
    for (const Case& c : cases) {
        drive->requests.clear();
        drive->answers.clear();
        for (int i = 0; i < 6; ++i) {
            drive->answers.push_back(
                ScriptedAnswer{.bDeliver = c.bDeliver, .nStatus = c.nStatus, .data = c.answer});
        }
        EXPECT_EQ(device.GetUiState(), c.nState);
        EXPECT_EQ(Blocks().front(), (Block{0xFA, 0x00, 0, 0, 0, 0, 0, 0, 0x04, 0}));
    }
}

TEST_F(VendorCommandsTest, UiModesOutsideOneToFourSendZero) {
    for (const int nMode : {1, 4, 7, -1}) {
        drive->requests.clear();
        ASSERT_TRUE(device.SetUiMode(nMode));
        const BYTE nSent = nMode >= 1 && nMode <= 4 ? static_cast<BYTE>(nMode) : 0;
        EXPECT_EQ(Blocks(), (std::vector<Block>{{0xFA, nSent, 0, 0, 0, 0, 0, 0, 0, 0}}));
        EXPECT_EQ(drive->requests[0].request.DataTransferLength, 0u);
    }
}

TEST_F(VendorCommandsTest, OneByteLinkReadsUseATwoBytePhase) {
    drive->answers = {ScriptedAnswer{.data = {0x02, 0x99}}};
    BYTE nByte = 0;
    ASSERT_TRUE(device.UiReadReply(&nByte, 1));
    EXPECT_EQ(Blocks(), (std::vector<Block>{{0xFA, 0x12, 0, 0, 0, 0, 0, 0x00, 0x01, 0}}));
    EXPECT_EQ(drive->requests[0].request.DataTransferLength, 2u);
    EXPECT_EQ(nByte, 0x02);

    // Refused by the bridge: the caller sees "no answer", not stale memory.
    drive->answers = {ScriptedAnswer{.nStatus = 0x02}};
    nByte = 0x00;
    ASSERT_TRUE(device.UiReadData(&nByte, 1));
    EXPECT_EQ(nByte, 0xFF);

    drive->requests.clear();
    const BYTE frame[] = {0x01, 0x01, 0x70, 0x8F, 0x03};
    ASSERT_TRUE(device.UiWrite(frame, 5));
    EXPECT_EQ(Blocks(), (std::vector<Block>{{0xFA, 0x10, 0, 0, 0, 0, 0, 0x00, 0x05, 0}}));
    EXPECT_EQ(drive->requests[0].dataOut, (std::vector<BYTE>{0x01, 0x01, 0x70, 0x8F, 0x03}));
}

TEST_F(VendorCommandsTest, UiPacketsAreSmallOnlyOnAFullSpeedUsbLink) {
    device.m_nBusType = BusTypeUsb;
    device.m_strBusName = u"USB1.1";
    EXPECT_EQ(device.GetMaxUiPacketLength(), 60u);
    device.m_strBusName = u"USB2.0";
    EXPECT_EQ(device.GetMaxUiPacketLength(), 256u);
    device.m_nBusType = BusType1394;
    device.m_strBusName = u"USB1.1";
    EXPECT_EQ(device.GetMaxUiPacketLength(), 256u);
}

TEST_F(VendorCommandsTest, ResetAndCloseClosesEvenWhenNothingGetsThrough) {
    drive->responder = [](const ScsiRequest&) { return ScriptedAnswer{.bDeliver = false}; };
    device.ResetAndClose();
    EXPECT_FALSE(device.IsOpen());
    ASSERT_EQ(drive->requests.size(), 12u);  // two commands, six attempts each
    EXPECT_EQ(Blocks().front(), (Block{0xFA, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Blocks().back(), (Block{0xFF, 0x00, 0xFF, 0x00, 0x44, 0x4B, 0, 0, 0, 0x01}));
}

}  // namespace
}  // namespace rf::test
