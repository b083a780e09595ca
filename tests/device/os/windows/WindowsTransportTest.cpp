// The Windows transport against a stand-in for DeviceIoControl: the bytes of
// each pass-through request as the storage stack receives them, and the
// device object's rules on top of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

// The program's headers before the Win32 ones: windows.h makes macros of
// some of their names (MB_OK, WM_TIMER, IDOK...).
#include "device/ScsiDevice.h"
#include "support/TestEnvironment.h"
// clang-format off
#include "device/os/windows/FakeWin32Api.h"
#include "device/os/windows/WindowsDeviceHandle.h"
#include "device/os/windows/WindowsDeviceSystem.h"
// clang-format on

namespace rf::test {
namespace {

constexpr char16_t kDrivePath[] = u"\\\\.\\PhysicalDrive1";

// One DeviceIoControl as the driver saw it.
struct SentRequest {
    ::DWORD dwCode = 0;
    std::vector<BYTE> in;  // the whole input area
    ::DWORD nOutSize = 0;
    BYTE* pDirectBuffer = nullptr;
    std::vector<BYTE> directData;  // the page buffer's bytes when sent
};

const SCSI_PASS_THROUGH& Header(const SentRequest& sent) {
    return *reinterpret_cast<const SCSI_PASS_THROUGH*>(sent.in.data());
}

class WindowsTransportTest : public ::testing::Test {
protected:
    WindowsTransportTest() {
        api.drives[kDrivePath] = [this](::DWORD dwCode, BYTE* pIn, ::DWORD nInSize, BYTE* pOut,
                                        ::DWORD nOutSize) {
            SentRequest sent{dwCode, std::vector<BYTE>(pIn, pIn + nInSize), nOutSize};
            if (dwCode == IOCTL_SCSI_PASS_THROUGH_DIRECT) {
                const auto& header = *reinterpret_cast<SCSI_PASS_THROUGH_DIRECT*>(pIn);
                sent.pDirectBuffer = static_cast<BYTE*>(header.DataBuffer);
                sent.directData.assign(sent.pDirectBuffer,
                                       sent.pDirectBuffer + header.DataTransferLength);
            }
            requests.push_back(std::move(sent));
            return answer(dwCode, pIn, pOut, nOutSize);
        };
        device.m_hDevice = system.Open(kDrivePath);
    }

    // The buffered and the direct header share the fields the driver fills.
    template <typename Header>
    static void Complete(BYTE* pArea, BYTE nStatus, std::initializer_list<BYTE> sense,
                         ::ULONG nTransferred) {
        auto& header = *reinterpret_cast<Header*>(pArea);
        header.ScsiStatus = nStatus;
        header.SenseInfoLength = static_cast<UCHAR>(sense.size());
        std::copy(sense.begin(), sense.end(), pArea + header.SenseInfoOffset);
        header.DataTransferLength = nTransferred;
    }

    CTestEnvironment env;
    CFakeWin32Api api;
    CWindowsDeviceSystem system{api};
    CScsiDevice device{system};
    std::vector<SentRequest> requests;
    std::function<bool(::DWORD, BYTE*, BYTE*, ::DWORD)> answer = [](::DWORD, BYTE*, BYTE*,
                                                                    ::DWORD) { return true; };
};

TEST_F(WindowsTransportTest, UpTo16383BytesTravelInTheRequestFrom16384InAPageBuffer) {
    std::vector<BYTE> out(16383);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<BYTE>(i * 7);
    }
    const BYTE writeCdb[10] = {0xFC, 0x02, 0, 0, 0, 0, 0, 0x3F, 0xFF, 0};
    device.m_bPathId = 1;
    device.m_bTargetId = 2;
    device.m_bLun = 3;
    ASSERT_TRUE(device.ScsiPassThrough(writeCdb, 10, false, out.data(), 16383));
    ASSERT_EQ(requests.size(), 1u);
    const SentRequest& buffered = requests[0];
    EXPECT_EQ(buffered.dwCode, static_cast<::DWORD>(IOCTL_SCSI_PASS_THROUGH));
    ASSERT_EQ(buffered.in.size(), kDataBufferOffset + 16383);
    EXPECT_EQ(buffered.nOutSize, kDataBufferOffset + 16383);
    const SCSI_PASS_THROUGH& header = Header(buffered);
    EXPECT_EQ(header.Length, sizeof(SCSI_PASS_THROUGH));
    EXPECT_EQ(header.PathId, 1);
    EXPECT_EQ(header.TargetId, 2);
    EXPECT_EQ(header.Lun, 3);
    EXPECT_EQ(header.CdbLength, 10);
    EXPECT_EQ(header.SenseInfoLength, 32);
    EXPECT_EQ(header.DataIn, 0);
    EXPECT_EQ(header.DataTransferLength, 16383u);
    EXPECT_EQ(header.DataBufferOffset, kDataBufferOffset);
    EXPECT_EQ(header.SenseInfoOffset, kSenseInfoOffset);
    EXPECT_TRUE(std::equal(writeCdb, writeCdb + 10, header.Cdb));
    EXPECT_TRUE(std::all_of(buffered.in.begin() + sizeof(SCSI_PASS_THROUGH),
                            buffered.in.begin() + kDataBufferOffset, [](BYTE b) { return b == 0; }))
        << "the sense area starts zeroed";
    EXPECT_TRUE(std::equal(out.begin(), out.end(), buffered.in.begin() + kDataBufferOffset));

    // 16384 bytes in: the direct form, the driver reporting fewer bytes
    // than asked for; only those reach the caller.
    answer = [](::DWORD, BYTE*, BYTE* pOut, ::DWORD) {
        auto& direct = *reinterpret_cast<SCSI_PASS_THROUGH_DIRECT*>(pOut);
        std::memset(direct.DataBuffer, 0x5A, direct.DataTransferLength);
        Complete<SCSI_PASS_THROUGH_DIRECT>(pOut, 0, {}, 100);
        return true;
    };
    std::vector<BYTE> in(16384, 0x11);
    const BYTE readCdb[10] = {0xFD, 0x01, 0, 0, 0, 0, 0, 0x40, 0x00, 0};
    ASSERT_TRUE(device.ScsiPassThrough(readCdb, 10, true, in.data(), 16384));
    ASSERT_EQ(requests.size(), 2u);
    const SentRequest& direct = requests[1];
    EXPECT_EQ(direct.dwCode, static_cast<::DWORD>(IOCTL_SCSI_PASS_THROUGH_DIRECT));
    EXPECT_EQ(direct.in.size(), kDataBufferOffset);
    EXPECT_EQ(direct.nOutSize, kDataBufferOffset);
    EXPECT_EQ(Header(direct).DataIn, 1);
    EXPECT_EQ(Header(direct).DataTransferLength, 16384u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(direct.pDirectBuffer) % 4096, 0u);
    EXPECT_EQ(std::count(in.begin(), in.end(), 0x5A), 100);
    EXPECT_EQ(in[100], 0x11);
}

TEST_F(WindowsTransportTest, TimeOutsAreTenSecondsAnImage120InTheRequestAnd30Direct) {
    struct Case {
        BYTE nOpcode;
        UINT nLength;
        ::ULONG nTimeout;
    };
    for (const Case& c :
         {Case{0xFD, 64, 10}, Case{0xFE, 16383, 120}, Case{0xFE, 55296, 30}, Case{0xFA, 0, 10}}) {
        requests.clear();
        std::vector<BYTE> data(c.nLength, 0xA5);
        const BYTE cdb[10] = {c.nOpcode};
        ASSERT_TRUE(device.ScsiPassThrough(cdb, 10, false, data.data(), c.nLength));
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(Header(requests[0]).TimeOutValue, c.nTimeout)
            << "opcode " << int{c.nOpcode} << " length " << c.nLength;
        if (c.nLength >= 16384) {
            EXPECT_EQ(requests[0].directData, data) << "the bytes going out are in the page buffer";
        }
    }
}

TEST_F(WindowsTransportTest, AFailingRequestIsOfferedSixTimesTenMillisecondsApart) {
    answer = [](::DWORD, BYTE*, BYTE*, ::DWORD) { return false; };
    std::vector<BYTE> buffer(64, 0x11);
    const BYTE cdb[10] = {0xFD, 0x01};
    env.clock.ClearSleeps();
    EXPECT_FALSE(device.ScsiPassThrough(cdb, 10, true, buffer.data(), 64));
    EXPECT_EQ(requests.size(), 6u);
    EXPECT_EQ(env.clock.Sleeps(), std::vector<std::uint64_t>(5, 10'000));
    EXPECT_EQ(device.m_bScsiStatus, 0xFF);
    EXPECT_EQ(buffer, std::vector<BYTE>(64, 0x11));
}

TEST_F(WindowsTransportTest, CheckConditionRecordsStatusAndSenseAndLeavesTheBufferAlone) {
    const std::initializer_list<BYTE> sense = {0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x24};
    answer = [&](::DWORD, BYTE*, BYTE* pOut, ::DWORD) {
        std::memset(pOut + kDataBufferOffset, 0x77, 64);
        Complete<SCSI_PASS_THROUGH>(pOut, 0x02, sense, 64);
        return true;
    };
    std::vector<BYTE> buffer(64, 0x11);
    const BYTE cdb[10] = {0xFD, 0x01};
    EXPECT_TRUE(device.ScsiPassThrough(cdb, 10, true, buffer.data(), 64))
        << "it reached the device";
    EXPECT_EQ(requests.size(), 1u) << "no retry";
    EXPECT_EQ(device.m_bScsiStatus, 0x02);
    EXPECT_TRUE(std::equal(sense.begin(), sense.end(), device.m_abSense.begin()));
    EXPECT_EQ(buffer, std::vector<BYTE>(64, 0x11));

    // Status bits outside 0x1E are masked away; a GOOD answer is copied.
    answer = [](::DWORD, BYTE*, BYTE* pOut, ::DWORD) {
        std::memset(pOut + kDataBufferOffset, 0x77, 64);
        Complete<SCSI_PASS_THROUGH>(pOut, 0xC1, {}, 64);
        return true;
    };
    EXPECT_TRUE(device.ScsiPassThrough(cdb, 10, true, buffer.data(), 64));
    EXPECT_EQ(device.m_bScsiStatus, 0x00);
    EXPECT_EQ(buffer, std::vector<BYTE>(64, 0x77));
}

// Identification through the port: the adapter and device descriptors, the
// SCSI address and INQUIRY.
TEST_F(WindowsTransportTest, IdentificationReadsDescriptorsAddressAndInquiry) {
    std::vector<STORAGE_PROPERTY_ID> queried;
    answer = [&](::DWORD dwCode, BYTE* pIn, BYTE* pOut, ::DWORD nOutSize) {
        switch (dwCode) {
            case IOCTL_STORAGE_QUERY_PROPERTY: {
                const auto& query = *reinterpret_cast<const STORAGE_PROPERTY_QUERY*>(pIn);
                EXPECT_EQ(query.QueryType, PropertyStandardQuery);
                queried.push_back(query.PropertyId);
                if (query.PropertyId == StorageAdapterProperty) {
                    auto& adapter = *reinterpret_cast<STORAGE_ADAPTER_DESCRIPTOR*>(pOut);
                    adapter.Size = sizeof(adapter);
                    adapter.BusMajorVersion = 2;
                    adapter.BusMinorVersion = 0;
                } else {
                    auto& descriptor = *reinterpret_cast<STORAGE_DEVICE_DESCRIPTOR*>(pOut);
                    descriptor.Size = sizeof(descriptor);
                    descriptor.BusType = ::BusTypeUsb;
                }
                return nOutSize >= sizeof(STORAGE_ADAPTER_DESCRIPTOR);
            }
            case IOCTL_SCSI_GET_ADDRESS: {
                auto& address = *reinterpret_cast<SCSI_ADDRESS*>(pOut);
                EXPECT_EQ(address.Length, sizeof(SCSI_ADDRESS));
                address.PathId = 0;
                address.TargetId = 1;
                address.Lun = 2;
                return true;
            }
            case IOCTL_SCSI_PASS_THROUGH: {
                const char inquiry[] = "KESTREL DVX4400DUO      0027";
                std::memcpy(pOut + kDataBufferOffset + 8, inquiry, sizeof(inquiry) - 1);
                Complete<SCSI_PASS_THROUGH>(pOut, 0, {}, 36);
                return true;
            }
            default:
                return false;
        }
    };
    device.Close();
    device.m_strPath = kDrivePath;
    ASSERT_TRUE(device.Open(device.m_strPath.c_str()));
    EXPECT_EQ(queried,
              (std::vector<STORAGE_PROPERTY_ID>{StorageAdapterProperty, StorageDeviceProperty}));
    EXPECT_EQ(device.m_strBusName, u"USB2.0");
    EXPECT_EQ(device.m_strProductName, u"KESTREL  DVX4400DUO");
    EXPECT_EQ(device.m_strRevision, u"0027");
    const SCSI_PASS_THROUGH& inquiry = Header(requests.back());
    EXPECT_EQ(inquiry.Cdb[0], 0x12);
    EXPECT_EQ(inquiry.TargetId, 1);
    EXPECT_EQ(inquiry.Lun, 2);
}

TEST(WindowsDriveListTest, PhysicalDrivesInTheSystemsOrderAsDevicePaths) {
    CFakeWin32Api api;
    using namespace std::string_literals;
    api.dosDeviceNames =
        u"C:\0PhysicalDrive1\0physicaldrive2\0PhysicalDrive0\0Harddisk0Partition1\0"
        u"PhysicalDrive\0\0"s;
    CWindowsDeviceSystem system(api);
    std::vector<std::u16string> paths;
    for (const PhysicalDrive& drive : system.ListPhysicalDrives()) {
        paths.push_back(drive.strPath);
    }
    EXPECT_EQ(paths,
              (std::vector<std::u16string>{u"\\\\.\\PhysicalDrive1", u"\\\\.\\PhysicalDrive0",
                                           u"\\\\.\\PhysicalDrive"}));

    api.dosDeviceNames.clear();
    EXPECT_TRUE(system.ListPhysicalDrives().empty());
}

}  // namespace
}  // namespace rf::test
