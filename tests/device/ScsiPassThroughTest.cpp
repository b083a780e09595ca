#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "device/ScsiDevice.h"
#include "support/ScriptedDevice.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

constexpr BYTE kReadCdb[10] = {0xFD, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00};

class ScsiPassThroughTest : public ::testing::Test {
protected:
    ScsiPassThroughTest() : drive(system.AddDrive(u"/dev/sg1")), device(system) {
        device.CDeviceBase::Open(u"/dev/sg1");
    }

    const RecordedRequest& Only() {
        EXPECT_EQ(drive->requests.size(), 1u);
        return drive->requests.front();
    }

    CTestEnvironment env;
    CScriptedDeviceSystem system;
    std::shared_ptr<ScriptedDrive> drive;
    CScsiDevice device;
};

TEST_F(ScsiPassThroughTest, RequestFormAndTimeOutFollowLengthAndOpcode) {
    struct Case {
        BYTE nOpcode;
        UINT nLength;
        ScsiRequestForm form;
        UINT nTimeout;
    };
    const Case cases[] = {
        {0xFD, 16383, ScsiRequestForm::Buffered, 10},  {0xFD, 16384, ScsiRequestForm::Direct, 30},
        {0xFE, 16383, ScsiRequestForm::Buffered, 120},  // the bridge programs a whole image
        {0xFE, 55296, ScsiRequestForm::Direct, 30},    {0xFA, 0, ScsiRequestForm::Buffered, 10},
    };
    for (const Case& c : cases) {
        drive->requests.clear();
        std::vector<BYTE> data(c.nLength, 0x5A);
        BYTE cdb[10] = {c.nOpcode};
        ASSERT_TRUE(device.ScsiPassThrough(cdb, 10, false, data.data(), c.nLength));
        const ScsiRequest& sent = Only().request;
        EXPECT_EQ(sent.Form, c.form) << "length " << c.nLength;
        EXPECT_EQ(sent.TimeOutValue, c.nTimeout)
            << "opcode " << int{c.nOpcode} << " length " << c.nLength;
        EXPECT_EQ(sent.DataTransferLength, c.nLength);
    }
}

TEST_F(ScsiPassThroughTest, BlockAddressAndDirectionGoIntoTheRequest) {
    device.m_bPathId = 1;
    device.m_bTargetId = 2;
    device.m_bLun = 3;
    std::vector<BYTE> buffer(64);
    ASSERT_TRUE(device.ScsiPassThrough(kReadCdb, 10, true, buffer.data(), 64));
    const ScsiRequest& sent = Only().request;
    EXPECT_TRUE(std::equal(kReadCdb, kReadCdb + 10, sent.Cdb.begin()));
    EXPECT_TRUE(std::all_of(sent.Cdb.begin() + 10, sent.Cdb.end(), [](BYTE b) { return b == 0; }));
    EXPECT_EQ(sent.CdbLength, 10);
    EXPECT_EQ(sent.DataIn, 1);
    EXPECT_EQ(sent.SenseInfoLength, 32);
    EXPECT_EQ(sent.PathId, 1);
    EXPECT_EQ(sent.TargetId, 2);
    EXPECT_EQ(sent.Lun, 3);
}

TEST_F(ScsiPassThroughTest, SixFailedAttemptsWithFiveTenMillisecondPausesFail) {
    for (int i = 0; i < 10; ++i) {
        drive->answers.push_back(ScriptedAnswer{.bDeliver = false});
    }
    std::vector<BYTE> buffer(64, 0x11);
    env.clock.ClearSleeps();
    EXPECT_FALSE(device.ScsiPassThrough(kReadCdb, 10, true, buffer.data(), 64));
    EXPECT_EQ(drive->requests.size(), 6u);
    EXPECT_EQ(env.clock.Sleeps(), std::vector<std::uint64_t>(5, 10'000));
    EXPECT_EQ(device.m_bScsiStatus, 0xFF);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](BYTE b) { return b == 0x11; }));
    // The attempts are 10 ms apart on the clock.
    for (std::size_t i = 1; i < drive->requests.size(); ++i) {
        EXPECT_EQ(drive->requests[i].nTimeMicroseconds - drive->requests[i - 1].nTimeMicroseconds,
                  10'000u);
    }
}

TEST_F(ScsiPassThroughTest, AnAttemptThatGetsThroughEndsTheRetries) {
    drive->answers = {ScriptedAnswer{.bDeliver = false}, ScriptedAnswer{.bDeliver = false},
                      ScriptedAnswer{.data = std::vector<BYTE>(64, 0xA5)}};
    std::vector<BYTE> buffer(64);
    env.clock.ClearSleeps();
    EXPECT_TRUE(device.ScsiPassThrough(kReadCdb, 10, true, buffer.data(), 64));
    EXPECT_EQ(drive->requests.size(), 3u);
    EXPECT_EQ(env.clock.Sleeps().size(), 2u);
    EXPECT_EQ(device.m_bScsiStatus, 0);
    EXPECT_EQ(buffer, std::vector<BYTE>(64, 0xA5));
}

TEST_F(ScsiPassThroughTest, CheckConditionLeavesTheBufferAndRecordsStatusAndSense) {
    const std::vector<BYTE> sense = {0x70, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00,
                                     0x0A, 0,    0,    0,    0,    0x24, 0x00};
    drive->answers.push_back(
        ScriptedAnswer{.nStatus = 0x02, .sense = sense, .data = std::vector<BYTE>(64, 0xEE)});
    std::vector<BYTE> buffer(64, 0x33);
    EXPECT_TRUE(device.ScsiPassThrough(kReadCdb, 10, true, buffer.data(), 64));
    EXPECT_EQ(drive->requests.size(), 1u) << "a command that reached the device is not repeated";
    EXPECT_EQ(device.m_bScsiStatus, 0x02);
    EXPECT_TRUE(std::equal(sense.begin(), sense.end(), device.m_abSense.begin()));
    EXPECT_EQ(buffer, std::vector<BYTE>(64, 0x33));
}

TEST_F(ScsiPassThroughTest, StatusIsMaskedAndOnlyGoodCopiesData) {
    struct Case {
        BYTE nDeviceStatus;
        BYTE nRecorded;
        bool bCopied;
    };
    // 0x08 BUSY and 0x18 RESERVATION CONFLICT keep their bits; vendor bits
    // outside the mask read as GOOD.
    for (const Case c : {Case{0x08, 0x08, false}, Case{0x18, 0x18, false}, Case{0xC1, 0x00, true},
                         Case{0x03, 0x02, false}}) {
        drive->answers.push_back(
            ScriptedAnswer{.nStatus = c.nDeviceStatus, .data = std::vector<BYTE>(8, 0x77)});
        std::vector<BYTE> buffer(8, 0x00);
        EXPECT_TRUE(device.ScsiPassThrough(kReadCdb, 10, true, buffer.data(), 8));
        EXPECT_EQ(device.m_bScsiStatus, c.nRecorded);
        EXPECT_EQ(buffer[0], c.bCopied ? 0x77 : 0x00);
    }
}

TEST_F(ScsiPassThroughTest, ShortTransferCopiesOnlyWhatCame) {
    drive->answers.push_back(ScriptedAnswer{.data = std::vector<BYTE>(10, 0x42)});
    std::vector<BYTE> buffer(64, 0x99);
    EXPECT_TRUE(device.ScsiPassThrough(kReadCdb, 10, true, buffer.data(), 64));
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 10, [](BYTE b) { return b == 0x42; }));
    EXPECT_TRUE(std::all_of(buffer.begin() + 10, buffer.end(), [](BYTE b) { return b == 0x99; }));
}

TEST_F(ScsiPassThroughTest, OverstatedTransferCountNeverWritesPastTheCallersBuffer) {
    drive->answers.push_back(
        ScriptedAnswer{.data = std::vector<BYTE>(16, 0x42), .nTransferred = 0xFFFFFF});
    std::vector<BYTE> buffer(32, 0x99);
    EXPECT_TRUE(device.ScsiPassThrough(kReadCdb, 10, true, buffer.data(), 16));
    EXPECT_TRUE(std::all_of(buffer.begin() + 16, buffer.end(), [](BYTE b) { return b == 0x99; }));
}

TEST_F(ScsiPassThroughTest, CommandsWithoutDataMoveNothing) {
    const BYTE cdb[10] = {0xFA, 0x01};
    ASSERT_TRUE(device.ScsiPassThrough(cdb, 10, false, nullptr, 0));
    const ScsiRequest& sent = Only().request;
    EXPECT_EQ(sent.DataTransferLength, 0u);
    EXPECT_EQ(sent.DataIn, 0);
    EXPECT_EQ(sent.DataBuffer, nullptr);

    // A buffer with length 0 is not touched either.
    BYTE byte = 0x5C;
    drive->answers.push_back(ScriptedAnswer{.data = {0x01}});
    EXPECT_TRUE(device.ScsiPassThrough(cdb, 10, true, &byte, 0));
    EXPECT_EQ(byte, 0x5C);
}

TEST_F(ScsiPassThroughTest, DataOutIsSentAgainOnEveryAttempt) {
    std::vector<BYTE> image(20000);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<BYTE>(i * 7);
    }
    drive->answers = {ScriptedAnswer{.bDeliver = false}, ScriptedAnswer{}};
    const BYTE cdb[10] = {0xFE};
    ASSERT_TRUE(
        device.ScsiPassThrough(cdb, 10, false, image.data(), static_cast<UINT>(image.size())));
    ASSERT_EQ(drive->requests.size(), 2u);
    EXPECT_EQ(drive->requests[0].dataOut, image);
    EXPECT_EQ(drive->requests[1].dataOut, image);
    EXPECT_EQ(drive->requests[1].request.Form, ScsiRequestForm::Direct);
}

TEST_F(ScsiPassThroughTest, LockIsHeldForEachRequestButNotAcrossRetryPauses) {
    drive->isLockHeld = [this] {
        const bool bFree = device.m_lock.try_lock();
        if (bFree) {
            device.m_lock.unlock();
        }
        return !bFree;
    };
    // A clock that checks the lock whenever the transport pauses.
    class CLockCheckingClock final : public IClock {
    public:
        explicit CLockCheckingClock(std::mutex& lock) : m_lock(lock) {}
        std::uint64_t NowMicroseconds() override { return m_nNow; }
        void SleepMicroseconds(std::uint64_t n) override {
            const bool bFree = m_lock.try_lock();
            if (bFree) {
                m_lock.unlock();
            }
            bHeldWhileSleeping = bHeldWhileSleeping || !bFree;
            m_nNow += n;
        }
        void Elapse(std::uint64_t n) override { m_nNow += n; }
        bool bHeldWhileSleeping = false;

    private:
        std::mutex& m_lock;
        std::uint64_t m_nNow = 0;
    } lockClock(device.m_lock);
    CScopedClock scoped(lockClock);

    drive->answers = {ScriptedAnswer{.bDeliver = false}, ScriptedAnswer{.bDeliver = false},
                      ScriptedAnswer{}};
    std::vector<BYTE> buffer(4);
    ASSERT_TRUE(device.ScsiPassThrough(kReadCdb, 10, true, buffer.data(), 4));
    ASSERT_EQ(drive->requests.size(), 3u);
    for (const RecordedRequest& record : drive->requests) {
        EXPECT_TRUE(record.bLockHeld);
    }
    EXPECT_FALSE(lockClock.bHeldWhileSleeping);
}

TEST_F(ScsiPassThroughTest, MalformedBlocksAndAbsurdLengthsAreRefusedWithoutSending) {
    BYTE cdb[17] = {0x12};
    EXPECT_FALSE(device.ScsiPassThrough(cdb, 17, true, nullptr, 0));
    EXPECT_FALSE(device.ScsiPassThrough(cdb, 0, true, nullptr, 0));
    EXPECT_FALSE(device.ScsiPassThrough(nullptr, 6, true, nullptr, 0));
    EXPECT_FALSE(device.ScsiPassThrough(cdb, 6, true, nullptr, kMaxTransferLength + 1));
    EXPECT_TRUE(drive->requests.empty());
    EXPECT_EQ(device.m_bScsiStatus, 0xFF);
}

}  // namespace
}  // namespace rf::test
