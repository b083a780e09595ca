#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/Text.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/tcmu/EnclosureTarget.h"
#include "support/CliFixture.h"
#include "support/TempFiles.h"

namespace rf::test {
namespace {

using emu::TargetAnswer;

// Requests handed to the target as the kernel hands them over: the block,
// one data buffer without a direction, the answer's status, sense and
// length of data read.
class CKernelPathHandle final : public IDeviceHandle {
public:
    explicit CKernelPathHandle(emu::CEnclosureTarget& target) : m_target(target) {}

    bool SendScsi(ScsiRequest& request) override {
        std::vector<BYTE> data(request.DataBuffer, request.DataBuffer + request.DataTransferLength);
        const TargetAnswer answer = m_target.Execute(request.Cdb, data);
        request.ScsiStatus = answer.nStatus;
        request.SenseInfoLength = answer.nSenseLength;
        std::copy_n(answer.sense.begin(), answer.nSenseLength, request.Sense.begin());
        if (answer.bDataIn && answer.nStatus == 0) {
            std::copy_n(data.begin(), answer.nTransferred, request.DataBuffer);
            request.DataTransferLength = answer.nTransferred;
        }
        return true;
    }
    bool QueryAdapter(StorageAdapterDescriptor& descriptor) override {
        descriptor = {2, 0};
        return true;
    }
    bool QueryDevice(StorageDeviceDescriptor& descriptor) override {
        descriptor.BusType = BusTypeScsi;
        return true;
    }
    bool GetScsiAddress(ScsiAddress& address) override {
        address = {};
        return true;
    }
    bool GetDeviceNumber(StorageDeviceNumber& number) override {
        number = {FILE_DEVICE_DISK, 8u << 20, 0};
        return true;
    }

private:
    emu::CEnclosureTarget& m_target;
};

class CKernelPathSystem final : public IDeviceSystem {
public:
    explicit CKernelPathSystem(emu::CEnclosureTarget& target) : m_target(target) {}

    std::unique_ptr<IDeviceHandle> Open(const std::u16string&) override {
        return std::make_unique<CKernelPathHandle>(m_target);
    }
    std::vector<PhysicalDrive> ListPhysicalDrives() override {
        return {PhysicalDrive{.strPath = u"/dev/sg1",
                              .strName = u"/dev/sdb",
                              .bInquiryKnown = true,
                              .strVendor = "KESTREL",
                              .strProduct = "DVX4400DUO",
                              .strRevision = "0.24",
                              .bBusKnown = true,
                              .nBusType = BusTypeScsi,
                              .nBusMajorVersion = 2}};
    }
    bool PrepareVolumes(const StorageDeviceNumber&, VolumeReport&) override { return true; }

private:
    emu::CEnclosureTarget& m_target;
};

std::string ReadText(const std::u16string& path) {
    std::ifstream file(Utf16ToUtf8(path));
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class EnclosureTargetTest : public CCliFixture {
protected:
    EnclosureTargetTest() {
        std::string strError;
        enclosure = MakeEmulatedEnclosure("row1", "", "", strError);
        disk = emu::CEmulatedDisk::Open(Utf16ToUtf8(files.Path("disk.img")), 1 << 20, strError);
        target.emplace(*enclosure, *disk);
    }

    TargetAnswer Send(std::vector<BYTE> cdb, std::vector<BYTE>& data) {
        cdb.resize(16);
        return target->Execute(cdb, data);
    }

    CTempFiles files;
    std::shared_ptr<emu::CEmulatedEnclosure> enclosure;
    std::unique_ptr<emu::CEmulatedDisk> disk;
    std::optional<emu::CEnclosureTarget> target;
};

TEST_F(EnclosureTargetTest, AnUpdateThroughTheKernelPathSendsWhatItSendsInProcess) {
    CKernelPathSystem system(*target);
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CliContext context{out, err, in, false, system};
    ASSERT_EQ(RunCli({u"update", u"--yes", u"--trace=" + files.Path("kernel.trace")}, context), 0)
        << err.str();

    const CliRun inProcess = Run({u"update", u"--yes", u"--emulate=" + files.Path("state"),
                                  u"--trace=" + files.Path("emulated.trace")});
    ASSERT_EQ(inProcess.nExit, 0) << inProcess.strErr;
    const std::string strExpected = ReadText(files.Path("emulated.trace"));
    EXPECT_GT(strExpected.size(), 100'000u);
    EXPECT_TRUE(ReadText(files.Path("kernel.trace")) == strExpected)
        << "every command, its direction and length, and every status alike";
}

TEST_F(EnclosureTargetTest, TheDiskBehindTheBridgeKeepsBlocks) {
    std::vector<BYTE> capacity(8);
    EXPECT_EQ(Send({0x25}, capacity).nTransferred, 8u);
    EXPECT_EQ(capacity, (std::vector<BYTE>{0, 0, 0x07, 0xFF, 0, 0, 0x02, 0}));

    std::vector<BYTE> blocks(1024);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        blocks[i] = static_cast<BYTE>(i * 7);
    }
    std::vector<BYTE> written = blocks;
    EXPECT_EQ(Send({0x2A, 0, 0, 0, 0x07, 0xFE, 0, 0, 2}, written).nStatus,
              0);  // WRITE(10), last two
    std::vector<BYTE> read(1024, 0xEE);
    const TargetAnswer answer = Send({0x88, 0, 0, 0, 0, 0, 0, 0, 0x07, 0xFE, 0, 0, 0, 2}, read);
    EXPECT_TRUE(answer.bDataIn);
    EXPECT_EQ(answer.nTransferred, 1024u);
    EXPECT_EQ(read, blocks);

    // One block past the end, and a buffer too small for the blocks asked.
    const TargetAnswer beyond = Send({0x28, 0, 0, 0, 0x07, 0xFF, 0, 0, 2}, read);
    EXPECT_EQ(beyond.nStatus, 2);
    EXPECT_EQ(beyond.sense[12], 0x21);
    std::vector<BYTE> small(512);
    EXPECT_EQ(Send({0x08, 0, 0, 0, 0}, small).sense[12], 0x24) << "READ(6) of 0 blocks is 256";
}

TEST_F(EnclosureTargetTest, ModePagesSayWriteThroughAndNothingElse) {
    std::vector<BYTE> data(255, 0xEE);
    const TargetAnswer allPages = Send({0x1A, 0, 0x3F, 0, 255}, data);
    ASSERT_EQ(allPages.nTransferred, 24u);
    EXPECT_EQ(std::vector<BYTE>(data.begin(), data.begin() + 7),
              (std::vector<BYTE>{23, 0, 0, 0, 0x08, 0x12, 0}))
        << "no block descriptors, not write protected, caching page with the write cache off";
    EXPECT_EQ(data[24], 0) << "the rest of the buffer is cleared, not left as it was";
    std::vector<BYTE> ten(8);
    EXPECT_EQ(Send({0x5A, 0, 0x08, 0, 0, 0, 0, 0, 8}, ten).nTransferred, 8u)
        << "cut to the allocation";
    EXPECT_EQ(ten[1], 26);
    EXPECT_EQ(Send({0x1A, 0, 0x0A, 0, 255}, data).sense[12], 0x24);
}

TEST_F(EnclosureTargetTest, WithoutPowerNothingBehindTheBridgeAnswers) {
    enclosure->PowerOff();
    std::vector<BYTE> data(512);
    for (const std::vector<BYTE>& cdb : {std::vector<BYTE>{0x28, 0, 0, 0, 0, 0, 0, 0, 1},
                                         std::vector<BYTE>{0xFD, 0x01, 0, 2, 0, 0, 0, 0, 16, 0}}) {
        const TargetAnswer answer = Send(cdb, data);
        EXPECT_EQ(answer.nStatus, 2);
        EXPECT_EQ(answer.sense[2], 0x0B) << "aborted: the link to the disk is lost";
        EXPECT_EQ(answer.sense[12], 0x08);
    }
}

}  // namespace
}  // namespace rf::test
