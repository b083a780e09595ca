// The broker's rules against emulated drives in-process: who may use it,
// which drives it opens, what it does for volumes, what it reads; then the
// broker itself served on a socket to the terminal front end.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "base/ExitStatus.h"
#include "base/Text.h"
#include "broker/BrokerConfig.h"
#include "broker/LoopbackBroker.h"
#include "broker/PeerCheck.h"
#include "device/BridgeCommands.h"
#include "device/ScsiDevice.h"
#include "emulation/EmulatorPresets.h"
#include "support/CliFixture.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

constexpr char16_t kEnclosurePath[] = u"/dev/sg1";
constexpr char16_t kOtherDiskPath[] = u"/dev/sg2";

std::shared_ptr<emu::CEmulatedEnclosure> Enclosure(const char* pszVendor = "KESTREL",
                                                   const char* pszProduct = "DVX4400DUO") {
    std::string strError;
    auto enclosure = MakeEmulatedEnclosure("row1", "", "", strError);
    enclosure->EnableTrace(false);
    enclosure->SetIdentity(pszVendor, pszProduct);
    return enclosure;
}

// A system whose drive list tells nothing of the drives' INQUIRY data, as
// a list may not: the broker must ask each drive itself.
class CListWithoutInquiry final : public IDeviceSystem {
public:
    explicit CListWithoutInquiry(IDeviceSystem& inner) : m_inner(inner) {}
    std::unique_ptr<IDeviceHandle> Open(const std::u16string& path) override {
        return m_inner.Open(path);
    }
    std::vector<PhysicalDrive> ListPhysicalDrives() override {
        std::vector<PhysicalDrive> drives = m_inner.ListPhysicalDrives();
        for (PhysicalDrive& drive : drives) {
            drive.bInquiryKnown = false;
        }
        return drives;
    }
    bool PrepareVolumes(const StorageDeviceNumber& disk, VolumeReport& report) override {
        return m_inner.PrepareVolumes(disk, report);
    }

private:
    IDeviceSystem& m_inner;
};

class BrokerSessionTest : public ::testing::Test {
protected:
    BrokerSessionTest() {
        emulated.Attach(kEnclosurePath, enclosure);
        emulated.Attach(kOtherDiskPath, otherDisk);
    }

    // A command through an open handle, as the transport sends it.
    static bool Send(IDeviceHandle& handle, std::vector<BYTE> cdb, bool bIn, UINT nLength) {
        ScsiRequest request;
        std::copy(cdb.begin(), cdb.end(), request.Cdb.begin());
        request.CdbLength = static_cast<BYTE>(cdb.size());
        request.DataIn = bIn ? 1 : 0;
        std::vector<BYTE> data(nLength);
        request.DataBuffer = nLength != 0 ? data.data() : nullptr;
        request.DataTransferLength = nLength;
        return handle.SendScsi(request);
    }

    CTestEnvironment env;
    std::shared_ptr<emu::CEmulatedEnclosure> enclosure = Enclosure();
    std::shared_ptr<emu::CEmulatedEnclosure> otherDisk = Enclosure("Linux", "scsi_debug");
    emu::CEmulatedDeviceSystem emulated;
};

TEST_F(BrokerSessionTest, APeerThatIsNotAuthorisedGetsNothing) {
    CLoopbackBroker broker(emulated, PeerVerdict::Refused);
    EXPECT_TRUE(broker.ListPhysicalDrives().empty());
    EXPECT_EQ(broker.Open(kEnclosurePath), nullptr);
    VolumeReport report;
    EXPECT_FALSE(broker.PrepareVolumes({FILE_DEVICE_DISK, 0, 0}, report));
    EXPECT_EQ(enclosure->NextCommandIndex(), 0u);
    const std::vector<BrokerNotice> notices = broker.client.TakeNotices();
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.front().refusal, BrokerRefusal::Peer);
}

TEST_F(BrokerSessionTest, OnlySupportedEnclosuresOfTheDriveListAreOpened) {
    CLoopbackBroker broker(emulated);
    // Listed by the system as what it is: never sent a command.
    EXPECT_EQ(broker.Open(kOtherDiskPath), nullptr);
    EXPECT_EQ(otherDisk->NextCommandIndex(), 0u);
    // A device node, or any path the list does not give, is not opened.
    EXPECT_EQ(broker.Open(u"/dev/sda"), nullptr);
    EXPECT_EQ(broker.Open(u"/etc/shadow"), nullptr);
    // The enclosure, by the broker's own INQUIRY.
    EXPECT_NE(broker.Open(kEnclosurePath), nullptr);
    EXPECT_EQ(enclosure->NextCommandIndex(), 1u);

    const std::vector<BrokerNotice> notices = broker.client.TakeNotices();
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices[0], (BrokerNotice{BrokerRefusal::NotSupported, kOtherDiskPath}));
    EXPECT_EQ(notices[1], (BrokerNotice{BrokerRefusal::NotListed, u"/dev/sda"}));
}

TEST_F(BrokerSessionTest, TheBrokerAsksTheDriveItselfWhereTheListDoesNotTell) {
    CListWithoutInquiry silentList(emulated);
    CLoopbackBroker broker(silentList);
    EXPECT_EQ(broker.Open(kOtherDiskPath), nullptr);
    EXPECT_EQ(otherDisk->NextCommandIndex(), 1u) << "its INQUIRY, and nothing after it";
    EXPECT_NE(broker.Open(kEnclosurePath), nullptr);
}

// The products of the EnableAllProducts option are opened for root alone.
TEST_F(BrokerSessionTest, OtherProductsAreRootsToChoose) {
    enclosure->SetIdentity("KESTREL", "QVDock");
    CLoopbackBroker atSeat(emulated, PeerVerdict::Seat);
    atSeat.client.SetAllProducts(true);
    EXPECT_EQ(atSeat.Open(kEnclosurePath), nullptr);
    CLoopbackBroker root(emulated, PeerVerdict::Root);
    root.client.SetAllProducts(true);
    EXPECT_NE(root.Open(kEnclosurePath), nullptr);
    root.client.SetAllProducts(false);
    EXPECT_EQ(root.Open(kEnclosurePath), nullptr);
}

TEST_F(BrokerSessionTest, ACommandOutsideTheTableNeverReachesTheDrive) {
    CLoopbackBroker broker(emulated);
    std::unique_ptr<IDeviceHandle> pHandle = broker.Open(kEnclosurePath);
    ASSERT_NE(pHandle, nullptr);
    const std::uint64_t nBefore = enclosure->NextCommandIndex();
    EXPECT_FALSE(Send(*pHandle, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, true, 512));
    EXPECT_FALSE(Send(*pHandle, {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, false, 512));
    EXPECT_EQ(enclosure->NextCommandIndex(), nBefore);
    // What the updater sends goes on, on the same connection.
    EXPECT_TRUE(Send(*pHandle, {kUiStateBlock.begin(), kUiStateBlock.end()}, true, 4));
    EXPECT_EQ(enclosure->NextCommandIndex(), nBefore + 1);

    const std::vector<BrokerNotice> notices = broker.client.TakeNotices();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], (BrokerNotice{BrokerRefusal::Command, u"28000000000000000100"}));
    ASSERT_FALSE(broker.log.empty());
    EXPECT_NE(broker.log.back().find("2A000000000000000100 out 512"), std::string::npos)
        << broker.log.back();
}

TEST_F(BrokerSessionTest, VolumesAreTakenOfflineForTheOpenDriveOnly) {
    emulated.SetVolumes(kEnclosurePath, {{u"/media/enclosure", emu::VolumeState::MountedIdle}});
    emulated.SetVolumes(kOtherDiskPath, {{u"/home", emu::VolumeState::MountedIdle}});
    CLoopbackBroker broker(emulated);
    CScsiDevice device(broker);
    ASSERT_TRUE(device.Open(kEnclosurePath));
    StorageDeviceNumber otherNumber;
    otherNumber.DeviceType = FILE_DEVICE_DISK;
    otherNumber.DeviceNumber = 0;
    VolumeReport report;
    // The disk number of another drive is not the broker's to take offline.
    emulated.Open(kOtherDiskPath)->GetDeviceNumber(otherNumber);
    EXPECT_FALSE(broker.PrepareVolumes(otherNumber, report));
    EXPECT_EQ(emulated.Volumes(kOtherDiskPath).front().state, emu::VolumeState::MountedIdle);

    ASSERT_TRUE(device.LockVolumes());
    EXPECT_EQ(device.m_volumeReport.unmounted, std::vector<std::u16string>{u"/media/enclosure"});
    EXPECT_EQ(emulated.Volumes(kEnclosurePath).front().state, emu::VolumeState::Free);
}

struct CFixedSeats final : ISeatSessions {
    bool bActive = false;
    bool ActiveAtLocalSeat(uid_t, pid_t) override { return bActive; }
};

TEST(PeerCheckTest, RootTheUserAtTheSeatAndTheGroupAndNobodyElse) {
    CFixedSeats seats;
    constexpr gid_t kGroup = 4242;
    PeerCredentials peer{1000, 1000, 77, {24, 100}};
    EXPECT_EQ(AuthorisePeer(peer, kGroup, seats), PeerVerdict::Refused);
    EXPECT_EQ(AuthorisePeer(peer, std::nullopt, seats), PeerVerdict::Refused);
    peer.groups.push_back(kGroup);
    EXPECT_EQ(AuthorisePeer(peer, kGroup, seats), PeerVerdict::Group);
    EXPECT_EQ(AuthorisePeer(PeerCredentials{1000, kGroup, 77, {}}, kGroup, seats),
              PeerVerdict::Group);
    seats.bActive = true;
    EXPECT_EQ(AuthorisePeer(PeerCredentials{1000, 1000, 77, {}}, std::nullopt, seats),
              PeerVerdict::Seat);
    CFixedSeats nobody;
    EXPECT_EQ(AuthorisePeer(PeerCredentials{0, 0, 1, {}}, std::nullopt, nobody), PeerVerdict::Root);
}

class BrokerConfigTest : public ::testing::Test {
protected:
    bool Read(const std::string& strText, mode_t nMode = 0644) {
        const std::string strPath = files.Root() + "/broker.conf";
        std::ofstream(strPath) << strText;
        ::chmod(strPath.c_str(), nMode);
        strError.clear();
        return ReadBrokerConfig(strPath, config, strError);
    }

    CTempFiles files;
    BrokerConfig config;
    std::string strError;
};

TEST_F(BrokerConfigTest, NamesTheGroupAndRefusesWhatItDoesNotUnderstand) {
    EXPECT_TRUE(ReadBrokerConfig(files.Root() + "/missing.conf", config, strError));
    EXPECT_TRUE(config.strGroup.empty());
    EXPECT_TRUE(Read("# who may update\n\n  group = reflasher  # the admins' choice\n"));
    EXPECT_EQ(config.strGroup, "reflasher");
    EXPECT_FALSE(Read("groop = reflasher\n"));
    EXPECT_NE(strError.find(":1: not understood"), std::string::npos) << strError;
    EXPECT_FALSE(Read("group = wheel; rm -rf /\n"));
    EXPECT_FALSE(Read("group =\n"));
    // A file anyone may change cannot say who may use a root process.
    EXPECT_FALSE(Read("group = reflasher\n", 0666));
    EXPECT_NE(strError.find("may be changed by others"), std::string::npos) << strError;
}

TEST(BrokerWireTest, FramesThatBreakTheFormatAreRefusedWhole) {
    BrokerRequest request;
    request.kind = BrokerRequestKind::Scsi;
    request.cdb = {0x12, 0, 0, 0, 0xFE, 0};
    request.nCdbLength = 6;
    request.direction = TraceDirection::In;
    request.nLength = 254;
    const std::vector<BYTE> frame = WriteBrokerRequest(request);
    BrokerRequest read;
    std::size_t nConsumed = 0;
    ASSERT_EQ(ReadBrokerRequest(frame, read, nConsumed), FrameRead::Done);
    EXPECT_EQ(nConsumed, frame.size());
    EXPECT_EQ(ReadBrokerRequest({frame.data(), frame.size() - 1}, read, nConsumed),
              FrameRead::NeedMore);

    auto broken = [&](std::size_t nAt, BYTE nValue) {
        std::vector<BYTE> bytes = frame;
        bytes[nAt] = nValue;
        return ReadBrokerRequest(bytes, read, nConsumed);
    };
    EXPECT_EQ(broken(0, 0x7F), FrameRead::Malformed) << "longer than any frame";
    EXPECT_EQ(broken(4, 9), FrameRead::Malformed) << "unknown kind";
    EXPECT_EQ(broken(5, 17), FrameRead::Malformed) << "a block of 17 bytes";
    EXPECT_EQ(broken(12, 7), FrameRead::Malformed) << "unknown direction";
    std::vector<BYTE> longer = frame;
    longer[3] += 1;
    longer.push_back(0);
    EXPECT_EQ(ReadBrokerRequest(longer, read, nConsumed), FrameRead::Malformed)
        << "a byte after the fields";
}

// reflasher-broker served on a socket of a temporary directory with an
// emulated enclosure behind it, and the terminal front end updating it.
class BrokerProgramTest : public CCliFixture {
protected:
    ~BrokerProgramTest() override { StopBroker(); }

    // Stops the broker; it keeps what its peers changed as it ends.
    void StopBroker() {
        if (m_nBroker > 0) {
            ::kill(m_nBroker, SIGTERM);
            int nStatus = 0;
            ::waitpid(m_nBroker, &nStatus, 0);
            m_nBroker = -1;
        }
    }

    // Starts the broker and waits, for 20 s at most, until it listens.
    bool StartBroker(const std::string& strEmulate) {
        const std::string strLog = files.Root() + "/broker.log";
        m_nBroker = ::fork();
        if (m_nBroker == 0) {
            std::freopen(strLog.c_str(), "w", stdout);
            std::freopen((strLog + ".err").c_str(), "w", stderr);
            ::execl(REFLASHER_BROKER_PATH, "reflasher-broker", "--socket", Socket().c_str(),
                    ("--emulate=" + strEmulate).c_str(), "--clock", Clock().c_str(), "--idle", "0",
                    "--config", (files.Root() + "/no-config").c_str(), nullptr);
            ::_exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (ReadFileText(strLog).find("Listening") != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string Socket() const { return files.Root() + "/broker.socket"; }
    std::string Clock() const { return files.Root() + "/clock"; }

private:
    pid_t m_nBroker = -1;
};

TEST_F(BrokerProgramTest, AnUpdateThroughTheBrokerSendsWhatAnUpdateInProcessSends) {
    const std::string strBrokered = files.Root() + "/brokered";
    const std::string strInProcess = files.Root() + "/in-process";
    for (const std::string& strDirectory : {strBrokered, strInProcess}) {
        ASSERT_EQ(Run({u"emulator", u"reset", Utf8ToUtf16("--emulate=" + strDirectory)}).nExit, 0);
    }
    ASSERT_TRUE(StartBroker(strBrokered)) << ReadFileText(files.Root() + "/broker.log.err");

    const std::u16string brokerTrace = Utf8ToUtf16(files.Root() + "/brokered.trace");
    const CliRun brokered = Run({u"update", u"--yes", u"--broker", Utf8ToUtf16(Socket()),
                                 u"--clock", Utf8ToUtf16(Clock()), u"--trace", brokerTrace});
    EXPECT_EQ(brokered.nExit, 0) << brokered.strErr;
    const std::u16string inProcessTrace = Utf8ToUtf16(files.Root() + "/in-process.trace");
    const CliRun inProcess = Run({u"update", u"--yes", Utf8ToUtf16("--emulate=" + strInProcess),
                                  u"--trace", inProcessTrace});
    EXPECT_EQ(inProcess.nExit, 0) << inProcess.strErr;

    const std::string strTrace = ReadFileText(Utf16ToUtf8(brokerTrace));
    EXPECT_EQ(std::count(strTrace.begin(), strTrace.end(), '\n'), 15196);
    EXPECT_TRUE(strTrace == ReadFileText(Utf16ToUtf8(inProcessTrace)));
    // The enclosure behind the broker keeps what the update wrote.
    StopBroker();
    const CliRun info = Run({u"info", Utf8ToUtf16("--emulate=" + strBrokered)});
    EXPECT_EQ(info.strOut.find(" yes"), std::string::npos) << info.strOut;
}

TEST_F(BrokerProgramTest, ASocketNobodyListensAtIsNamed) {
    const CliRun run = Run({u"list", u"--broker", Utf8ToUtf16(Socket())});
    EXPECT_NE(run.strErr.find("reflasher-broker does not answer at " + Socket()), std::string::npos)
        << run.strErr;
    // The emulated enclosure is never the broker's.
    EXPECT_EQ(Run({u"list", u"--broker", Utf8ToUtf16(Socket()), u"--emulate"}).nExit, kExitNothing);
}

}  // namespace
}  // namespace rf::test
