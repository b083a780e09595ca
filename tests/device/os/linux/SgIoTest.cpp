#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <array>
#include <vector>

#include "device/os/linux/SgIo.h"

namespace rf::test {
namespace {

// Captures the header the port hands to the kernel and answers as told.
struct FakeKernel {
    int nResult = 0;
    unsigned char nStatus = 0;
    unsigned short nHost = 0;
    unsigned short nDriver = 0;
    int nResid = 0;
    std::vector<unsigned char> sense;
    std::vector<unsigned char> dataIn;

    sg_io_hdr_t seen{};
    unsigned long nRequest = 0;
    std::vector<unsigned char> cdbSeen;

    IoctlFunction Function() {
        return [this](int, unsigned long nReq, void* pArgument) {
            nRequest = nReq;
            auto* pHeader = static_cast<sg_io_hdr_t*>(pArgument);
            seen = *pHeader;
            cdbSeen.assign(pHeader->cmdp, pHeader->cmdp + pHeader->cmd_len);
            if (nResult < 0) {
                return nResult;
            }
            pHeader->status = nStatus;
            pHeader->host_status = nHost;
            pHeader->driver_status = nDriver;
            pHeader->resid = nResid;
            std::copy(sense.begin(), sense.end(), pHeader->sbp);
            pHeader->sb_len_wr = static_cast<unsigned char>(sense.size());
            if (pHeader->dxfer_direction == SG_DXFER_FROM_DEV) {
                std::copy(dataIn.begin(), dataIn.end(),
                          static_cast<unsigned char*>(pHeader->dxferp));
            }
            return 0;
        };
    }
};

ScsiRequest MakeRequest(BYTE nDataIn, BYTE* pBuffer, UINT nLength, UINT nTimeout) {
    ScsiRequest request;
    request.Cdb = {0xFD, 0x01, 0x00, 0x02, 0x00, 0xF0, 0x00, 0x00, 0x08, 0x00};
    request.CdbLength = 10;
    request.DataIn = nDataIn;
    request.DataBuffer = pBuffer;
    request.DataTransferLength = nLength;
    request.TimeOutValue = nTimeout;
    return request;
}

TEST(SgIoTest, RequestCarriesBlockDirectionLengthSenseRoomAndTimeOut) {
    FakeKernel kernel;
    std::array<BYTE, 8> buffer{};
    ScsiRequest request = MakeRequest(1, buffer.data(), 8, 10);
    ASSERT_TRUE(SendSgIo(3, request, kernel.Function()));
    EXPECT_EQ(kernel.nRequest, static_cast<unsigned long>(SG_IO));
    EXPECT_EQ(kernel.seen.interface_id, 'S');
    EXPECT_EQ(kernel.cdbSeen, (std::vector<unsigned char>{0xFD, 0x01, 0x00, 0x02, 0x00, 0xF0, 0x00,
                                                          0x00, 0x08, 0x00}));
    EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(kernel.seen.dxfer_len, 8u);
    EXPECT_EQ(kernel.seen.dxferp, buffer.data());
    EXPECT_EQ(kernel.seen.mx_sb_len, 32);
    EXPECT_EQ(kernel.seen.timeout, 10'000u);

    ScsiRequest out = MakeRequest(0, buffer.data(), 8, 120);
    ASSERT_TRUE(SendSgIo(3, out, kernel.Function()));
    EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(kernel.seen.timeout, 120'000u);

    ScsiRequest none = MakeRequest(0, nullptr, 0, 10);
    ASSERT_TRUE(SendSgIo(3, none, kernel.Function()));
    EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(kernel.seen.dxfer_len, 0u);
}

TEST(SgIoTest, AnswerGivesStatusSenseAndTheCountMoved) {
    FakeKernel kernel;
    kernel.nStatus = 0x02;
    kernel.nDriver = 0x08;  // sense data present: the command still completed
    kernel.sense = {0x70, 0, 0x05, 0, 0, 0, 0, 0x0A};
    std::array<BYTE, 64> buffer{};
    ScsiRequest request = MakeRequest(1, buffer.data(), 64, 10);
    ASSERT_TRUE(SendSgIo(3, request, kernel.Function()));
    EXPECT_EQ(request.ScsiStatus, 0x02);
    EXPECT_EQ(request.SenseInfoLength, 8);
    EXPECT_EQ(request.Sense[2], 0x05);

    kernel = FakeKernel{};
    kernel.nResid = 54;
    ScsiRequest shortRead = MakeRequest(1, buffer.data(), 64, 10);
    ASSERT_TRUE(SendSgIo(3, shortRead, kernel.Function()));
    EXPECT_EQ(shortRead.DataTransferLength, 10u);

    for (const int nResid : {-5, 1000}) {
        kernel.nResid = nResid;
        ScsiRequest odd = MakeRequest(1, buffer.data(), 64, 10);
        ASSERT_TRUE(SendSgIo(3, odd, kernel.Function()));
        EXPECT_LE(odd.DataTransferLength, 64u) << "resid " << nResid;
    }
}

TEST(SgIoTest, IoctlHostAndDriverErrorsAreFailedAttempts) {
    struct Case {
        int nResult;
        unsigned short nHost;
        unsigned short nDriver;
        bool bDelivered;
    };
    const Case cases[] = {
        {-1, 0, 0, false},    // the ioctl itself failed
        {0, 0x03, 0, false},  // host: timed out
        {0, 0x01, 0, false},  // host: no connect (device gone)
        {0, 0, 0x06, false},  // driver: timeout
        {0, 0, 0x04, false},  // driver: error
        {0, 0, 0x18, true},   // driver: sense, with a suggestion bit
        {0, 0, 0x00, true},
    };
    for (const Case& c : cases) {
        FakeKernel kernel;
        kernel.nResult = c.nResult;
        kernel.nHost = c.nHost;
        kernel.nDriver = c.nDriver;
        ScsiRequest request = MakeRequest(0, nullptr, 0, 10);
        EXPECT_EQ(SendSgIo(3, request, kernel.Function()), c.bDelivered)
            << "host " << c.nHost << " driver " << c.nDriver;
    }
}

}  // namespace
}  // namespace rf::test
