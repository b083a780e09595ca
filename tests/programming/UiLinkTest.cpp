#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "device/ScsiDevice.h"
#include "programming/UiLink.h"
#include "support/ScriptedDevice.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

using Bytes = std::vector<BYTE>;

// A bridge whose UI link is scripted: frames written are kept, and each
// frame may load what the next reads return.
class UiLinkTest : public ::testing::Test {
protected:
    UiLinkTest() : drive(system.AddDrive(u"/dev/sg1")), device(system) {
        drive->responder = [this](const ScsiRequest& request) { return Answer(request); };
        device.CDeviceBase::Open(u"/dev/sg1");
    }

    ScriptedAnswer Answer(const ScsiRequest& request) {
        ScriptedAnswer answer;
        const BYTE nSub = request.Cdb[1];
        const UINT nAsked = UINT{request.Cdb[7]} << 8 | request.Cdb[8];
        if (failing && failing(request)) {
            answer.bDeliver = false;
        } else if (nSub == 0x00) {
            answer.data = {nStateByte, 0, 0, 0};
        } else if (nSub == 0x10) {
            written.emplace_back(request.DataBuffer,
                                 request.DataBuffer + request.DataTransferLength);
            if (onFrame) {
                onFrame(written.back());
            }
        } else if (nSub == 0x11) {
            answer.data = data.empty() ? Bytes{} : data.front();
            if (!data.empty()) {
                data.pop_front();
            }
            answer.data.resize(request.DataTransferLength, 0xFF);
        } else if (nSub == 0x12) {
            for (UINT i = 0; i < request.DataTransferLength; ++i) {
                const bool bTake = i < nAsked && !reply.empty();
                answer.data.push_back(bTake ? reply.front() : BYTE{0xFF});
                if (bTake) {
                    reply.pop_front();
                }
            }
        }
        return answer;
    }

    // Each status request is answered with the next of these replies.
    void ReplyToStatusRequests(std::deque<Bytes> replies) {
        onFrame = [this, replies](const Bytes& frame) mutable {
            if (frame.size() == 5 && frame[2] == 0x70 && !replies.empty()) {
                reply.assign(replies.front().begin(), replies.front().end());
                replies.pop_front();
            }
        };
    }

    CTestEnvironment env;
    CScriptedDeviceSystem system;
    std::shared_ptr<ScriptedDrive> drive;
    CScsiDevice device;
    BYTE nStateByte = 0x01;
    std::vector<Bytes> written;
    std::deque<Bytes> data;
    std::deque<BYTE> reply;
    std::function<void(const Bytes&)> onFrame;
    std::function<bool(const ScsiRequest&)> failing;
};

TEST_F(UiLinkTest, FramesAreByteExact) {
    struct Case {
        const char* pszName;
        std::function<bool(CDevice*)> send;
        Bytes expected;
    };
    const Case cases[] = {
        {"status request",
         [](CDevice* p) {
             const BYTE command[] = {0x70};
             return SendUiCommandFrame(p, 1, command);
         },
         {0x01, 0x01, 0x70, 0x8F, 0x03}},
        {"resource header",
         [](CDevice* p) {
             BYTE out[16];
             ReadResourceHeader(p, out);
             return true;
         },
         {0x01, 0x06, 0x03, 0x00, 0x00, 0x00, 0x00, 0x10, 0xE7, 0x03}},
        {"information block",
         [](CDevice* p) {
             BYTE out[16];
             ReadUiInfoBlock(p, out);
             return true;
         },
         {0x01, 0x04, 0x06, 0xA0, 0x00, 0x10, 0x46, 0x03}},
        {"security data",
         [](CDevice* p) {
             const BYTE security[] = {0xFF, 0x03};
             return SendUiDataFrame(p, security, 2, false);
         },
         {0x02, 0x02, 0xFF, 0x03, 0xFC, 0x03}},
    };
    for (const Case& c : cases) {
        written.clear();
        EXPECT_TRUE(c.send(&device)) << c.pszName;
        ASSERT_FALSE(written.empty()) << c.pszName;
        EXPECT_EQ(written.front(), c.expected) << c.pszName;
    }
}

TEST_F(UiLinkTest, FullDataFrameTravelsAsLengthZero) {
    Bytes payload(256);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<BYTE>(i);
    }
    for (const bool bMore : {true, false}) {
        written.clear();
        ASSERT_TRUE(SendUiDataFrame(&device, payload.data(), 256, bMore));
        const Bytes& frame = written.at(0);
        ASSERT_EQ(frame.size(), 260u);
        EXPECT_EQ(frame[0], 0x02);
        EXPECT_EQ(frame[1], 0x00);
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), frame.begin() + 2));
        EXPECT_EQ(frame[258], 0x80);  // the bytes 0 to 255 add up to 0x7F80
        EXPECT_EQ(frame[259], bMore ? 0x17 : 0x03);
    }
    written.clear();
    EXPECT_FALSE(SendUiDataFrame(&device, payload.data(), 0, false));
    EXPECT_FALSE(SendUiDataFrame(&device, payload.data(), 257, false));
    EXPECT_TRUE(written.empty()) << "no frame the controller could misread";
}

TEST_F(UiLinkTest, SpiTransfersGoInFirmwareSizedFrames) {
    onFrame = [this](const Bytes& frame) {
        const BYTE nCode = frame[2];
        if (nCode == 0x80 || nCode == 0x81) {
            data.push_back({0x02, 0x01, 0x06, 0xF9, 0x03});
        } else if (nCode == 0x82 || nCode == 0x83) {
            Bytes answer(frame[3], nCode);
            BYTE nSum = frame[3];
            for (const BYTE b : answer) {
                nSum = static_cast<BYTE>(nSum + b);
            }
            answer.insert(answer.begin(), {0x02, frame[3]});
            answer.push_back(static_cast<BYTE>(0x100 - nSum));
            answer.push_back(0x03);
            data.push_back(answer);
        }
    };
    // Code and byte count of every frame written.
    auto frames = [this] {
        std::vector<std::pair<BYTE, UINT>> shape;
        for (const Bytes& frame : written) {
            const bool bRead = frame[2] == 0x82 || frame[2] == 0x83;
            shape.emplace_back(frame[2], bRead ? frame[3] : frame[1] - 1u);
        }
        return shape;
    };
    const Bytes page(256, 0x5A);
    using Shape = std::vector<std::pair<BYTE, UINT>>;
    ASSERT_TRUE(SpiWrite(&device, page.data(), 256, false));
    EXPECT_EQ(frames(), (Shape{{0x80, 59}, {0x80, 59}, {0x80, 59}, {0x80, 59}, {0x81, 20}}));
    EXPECT_TRUE(std::equal(page.begin(), page.begin() + 59, written[0].begin() + 3));

    written.clear();
    ASSERT_TRUE(SpiWrite(&device, page.data(), 60, true));
    EXPECT_EQ(frames(), (Shape{{0x80, 59}, {0x80, 1}}));

    written.clear();
    Bytes in(130);
    ASSERT_TRUE(SpiRead(&device, in.data(), 130, false));
    EXPECT_EQ(frames(), (Shape{{0x82, 60}, {0x82, 60}, {0x83, 10}}));
    EXPECT_EQ(in[0], 0x82);
    EXPECT_EQ(in[129], 0x83);

    written.clear();
    EXPECT_TRUE(SpiWrite(&device, page.data(), 0, false));
    EXPECT_TRUE(SpiRead(&device, in.data(), 0, false));
    EXPECT_TRUE(written.empty());

    onFrame = [this](const Bytes&) { data.push_back({0x02, 0x01, 0x15, 0xEA, 0x03}); };
    EXPECT_FALSE(SpiWrite(&device, page.data(), 4, false)) << "an answer other than ACK";
}

TEST_F(UiLinkTest, ReceivedFrameIsCheckedOverAllItsBytes) {
    struct Case {
        const char* pszName;
        Bytes frame;
        BYTE nMax;
        bool bOk;
        Bytes out;
    };
    const Case cases[] = {
        {"fewer copied than sent",
         {0x02, 0x04, 0x11, 0x22, 0x33, 0x44, 0x52, 0x03},
         2,
         true,
         {0x11, 0x22, 0xEE}},
        {"end byte not examined",
         {0x02, 0x04, 0x11, 0x22, 0x33, 0x44, 0x52, 0x55},
         3,
         true,
         {0x11, 0x22, 0x33}},
        {"damage past what is copied",
         {0x02, 0x04, 0x11, 0x22, 0x33, 0x45, 0x52, 0x03},
         2,
         false,
         {0xEE, 0xEE, 0xEE}},
        {"shorter than asked", {0x02, 0x01, 0x06, 0xF9, 0x03}, 2, false, {0xEE, 0xEE, 0xEE}},
        {"no data frame", {0x01, 0x01, 0x06, 0xF9, 0x03}, 1, false, {0xEE, 0xEE, 0xEE}},
        {"nothing came", {}, 1, false, {0xEE, 0xEE, 0xEE}},
    };
    for (const Case& c : cases) {
        data = {c.frame};
        Bytes out(3, 0xEE);
        EXPECT_EQ(ReceiveUiDataFrame(&device, out.data(), c.nMax), c.bOk) << c.pszName;
        EXPECT_EQ(out, c.out) << c.pszName << ": only a sound frame is handed on";
    }
}

TEST_F(UiLinkTest, StatusIsAskedForUntilAValidFrameComes) {
    struct Case {
        const char* pszName;
        bool bDataFrame;
        std::deque<Bytes> replies;
        BYTE nExpected;
    };
    const Bytes kAck = {0x02, 0x01, 0x06, 0xF9, 0x03};
    const Case cases[] = {
        {"command acknowledged", false, {kAck}, 0x06},
        {"command refused", false, {{0x02, 0x01, 0x15, 0xEA, 0x03}}, 0x15},
        {"nothing, then ACK", false, {{}, kAck}, 0x06},
        {"bad checksum asked again", false, {{0x02, 0x01, 0x06, 0xF8, 0x03}, kAck}, 0x06},
        {"no ETX asked again", false, {{0x02, 0x01, 0x06, 0xF9, 0x17}, kAck}, 0x06},
        {"data-frame status where a command's was due",
         false,
         {{0x02, 0x02, 0x06, 0x06, 0xF2, 0x03}, kAck},
         0x06},
        {"data frame written", true, {{0x02, 0x02, 0x06, 0x06, 0xF2, 0x03}}, 0x06},
        {"data frame compared unequal", true, {{0x02, 0x02, 0x06, 0x0F, 0xE9, 0x03}}, 0x0F},
        {"data frame refused on receipt", true, {{0x02, 0x02, 0x15, 0x06, 0xE3, 0x03}}, 0x15},
    };
    for (const Case& c : cases) {
        written.clear();
        reply.clear();
        ReplyToStatusRequests(c.replies);
        EXPECT_EQ(WaitUiStatus(&device, c.bDataFrame), c.nExpected) << c.pszName;
        EXPECT_EQ(written.size(), c.replies.size()) << c.pszName;
    }
}

TEST_F(UiLinkTest, StatusWaitEndsAfterTenSecondsOrAtAFailedTransfer) {
    const std::uint64_t nStart = env.clock.NowMicroseconds();
    EXPECT_EQ(WaitUiStatus(&device, false), 0xFF);
    const std::uint64_t nWaited = env.clock.NowMicroseconds() - nStart;
    EXPECT_GE(nWaited, 10'000'000u);
    EXPECT_LT(nWaited, 10'010'000u);
    EXPECT_GT(written.size(), 1000u) << "asked again and again";

    struct Case {
        const char* pszName;
        BYTE nSub;
        UINT nLength;
    };
    const Case failures[] = {{"request", 0x10, 5}, {"first byte", 0x12, 2}, {"rest", 0x12, 4}};
    for (const Case& c : failures) {
        ReplyToStatusRequests({{0x02, 0x01, 0x06, 0xF9, 0x03}});
        failing = [c](const ScsiRequest& request) {
            return request.Cdb[1] == c.nSub && request.DataTransferLength == c.nLength;
        };
        const std::uint64_t nBefore = env.clock.NowMicroseconds();
        EXPECT_EQ(WaitUiStatus(&device, false), 0xFF) << c.pszName;
        EXPECT_LT(env.clock.NowMicroseconds() - nBefore, 100'000u) << c.pszName;
    }
}

TEST_F(UiLinkTest, StatusWaitDoesNotStallWhereTheTickWraps) {
    CVirtualClock clock((std::uint64_t{1} << 32) * 1000 - 3'000'000);  // 3 s before the wrap
    CScopedClock scoped(clock);
    ReplyToStatusRequests({{0x02, 0x01, 0x06, 0xF9, 0x03}});
    const std::uint64_t nStart = clock.NowMicroseconds();
    EXPECT_EQ(WaitUiStatus(&device, false), 0x06);
    EXPECT_LT(clock.NowMicroseconds() - nStart, 10'000u);
}

TEST_F(UiLinkTest, PreUpdateCommandOnlyWhileTheFirmwareRuns) {
    struct Case {
        BYTE nStateByte;
        BYTE nAnswer;
        bool bSent;
        bool bOk;
    };
    const Case cases[] = {
        {0x01, 0x06, true, true},
        {0x01, 0x15, true, false},  // state 2
        {0x02, 0x06, false, true},  // state 4
        {0x00, 0x06, false, true},  // no answer (-1)
    };
    for (const Case& c : cases) {
        written.clear();
        nStateByte = c.nStateByte;
        data = {{0x02, 0x01, c.nAnswer, static_cast<BYTE>(0xFF - c.nAnswer), 0x03}};
        EXPECT_EQ(SendUiPreUpdateCommand(&device), c.bOk) << int{c.nStateByte};
        EXPECT_EQ(written.size(), c.bSent ? 1u : 0u) << int{c.nStateByte};
    }
}

}  // namespace
}  // namespace rf::test
