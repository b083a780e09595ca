#include <gtest/gtest.h>

#include "base/CommandLine.h"
#include "device/ScsiDevice.h"
#include "support/ScriptedDevice.h"
#include "support/TestEnvironment.h"

namespace rf::test {
namespace {

class IdentifyTest : public ::testing::Test {
protected:
    IdentifyTest() : drive(system.AddDrive(u"/dev/sg1")), device(system) {}

    bool OpenWith(const std::vector<BYTE>& inquiry) {
        drive->inquiry = inquiry;
        return device.Open(u"/dev/sg1");
    }

    CTestEnvironment env;
    CScriptedDeviceSystem system;
    std::shared_ptr<ScriptedDrive> drive;
    CScsiDevice device;
};

TEST_F(IdentifyTest, OurEnclosureIsAcceptedWhateverFollowsThePrefix) {
    EXPECT_TRUE(OpenWith(MakeInquiry("KESTREL ", "DVX4400DUO-X2", "0027")));
    EXPECT_EQ(device.m_nProductClass, 1);
    // Vendor field, one space, product field: the padded vendor keeps its own space.
    EXPECT_EQ(device.m_strProductName, u"KESTREL  DVX4400DUO-X2");
    EXPECT_EQ(device.m_strRevision, u"0027");
    EXPECT_FALSE(device.m_bRomMode);
    ASSERT_FALSE(drive->requests.empty());
    const ScsiRequest& inquiry = drive->requests.front().request;
    EXPECT_EQ(inquiry.CdbLength, 6);
    EXPECT_EQ((std::array<BYTE, 6>{inquiry.Cdb[0], inquiry.Cdb[1], inquiry.Cdb[2], inquiry.Cdb[3],
                                   inquiry.Cdb[4], inquiry.Cdb[5]}),
              (std::array<BYTE, 6>{0x12, 0, 0, 0, 0xFE, 0}));
    EXPECT_EQ(inquiry.DataTransferLength, 254u);
}

TEST_F(IdentifyTest, OtherProductsNeedTheAllProductsOption) {
    struct Case {
        const char* pszVendor;
        const char* pszProduct;
        int nWithout;
        int nWith;
    };
    const Case cases[] = {
        {"KESTREL ", "QVDock", 0, 1},
        {"Vantoro ", "duoMirror", 0, 2},
        {"KESTREL ", "DVX4400DUO", 1, 1},
        {"KESTREL", " DVX4400DUO", 0, 0},  // two spaces after the maker's name
        {"ACME    ", "DVX4400DUO", 0, 0},
    };
    for (const Case& c : cases) {
        for (const bool bAll : {false, true}) {
            device.m_bAllProducts = bAll;
            device.Close();
            const bool bOpened = OpenWith(MakeInquiry(c.pszVendor, c.pszProduct, "0027"));
            const int nExpected = bAll ? c.nWith : c.nWithout;
            EXPECT_EQ(bOpened, nExpected != 0) << c.pszVendor << c.pszProduct << " all=" << bAll;
            EXPECT_EQ(device.m_nProductClass, nExpected)
                << c.pszVendor << c.pszProduct << " all=" << bAll;
            EXPECT_TRUE(device.IsOpen())
                << "a failed identification leaves the handle to the caller";
        }
    }
}

TEST_F(IdentifyTest, ProductNameEndsAtAZeroByte) {
    std::vector<BYTE> inquiry = MakeInquiry("KESTREL ", "DVX4400DUO", "0027");
    inquiry[26] = 0;  // product byte 10
    inquiry[27] = 'Z';
    ASSERT_TRUE(OpenWith(inquiry));
    EXPECT_EQ(device.m_strProductName, u"KESTREL  DVX4400DUO");
}

TEST_F(IdentifyTest, OnlyTheExactRevisionFFFFMeansRomMode) {
    struct Case {
        const char* pszRevision;
        bool bRomMode;
    };
    for (const Case c :
         {Case{"FFFF", true}, Case{"FFF ", false}, Case{"ffff", false}, Case{"0027", false}}) {
        device.Close();
        ASSERT_TRUE(OpenWith(MakeInquiry("KESTREL ", "DVX4400DUO", c.pszRevision)));
        // Set even when the FLASH chip cannot be identified.
        EXPECT_EQ(device.m_bRomMode, c.bRomMode) << c.pszRevision;
    }
}

TEST_F(IdentifyTest, BusNamesFollowTheStorageBus) {
    struct Case {
        int nBusType;
        BYTE nMajor;
        BYTE nMinor;
        const char16_t* pszName;
    };
    const Case cases[] = {
        {BusTypeUsb, 1, 0, u"USB1.1"},  {BusTypeUsb, 1, 1, u"USB1.1"},
        {BusTypeUsb, 2, 0, u"USB2.0"},  {BusTypeUsb, 3, 1, u"USB3.1"},
        {BusTypeScsi, 2, 0, u"SCSI-2"}, {BusType1394, 1, 0, u"IEEE1394"},
        {BusTypeSsa, 0, 0, u"SSA"},     {BusTypeFibre, 0, 0, u"Fiber-Channel"},
        {BusTypeRAID, 0, 0, u"RAID"},   {BusTypeiScsi, 0, 0, u"iSCSI"},
        {0, 0, 0, u"不明なバス"},       {10, 0, 0, u"不明なバス"},
    };
    for (const Case& c : cases) {
        drive->device.BusType = c.nBusType;
        drive->adapter = StorageAdapterDescriptor{c.nMajor, c.nMinor};
        device.Close();
        OpenWith(MakeInquiry("KESTREL ", "DVX4400DUO", "0027"));
        EXPECT_EQ(device.m_strBusName, c.pszName);
    }
}

TEST_F(IdentifyTest, AtaAndAtapiDrivesAreNeverAsked) {
    for (const int nBusType : {BusTypeAta, BusTypeAtapi}) {
        drive->device.BusType = nBusType;
        drive->requests.clear();
        device.Close();
        EXPECT_FALSE(OpenWith(MakeInquiry("KESTREL ", "DVX4400DUO", "0027")));
        EXPECT_TRUE(drive->requests.empty());
        EXPECT_EQ(device.m_nProductClass, 0);
    }
}

TEST_F(IdentifyTest, FailedQueriesOrInquiryRejectTheDrive) {
    drive->bAdapterOk = false;
    EXPECT_FALSE(OpenWith(MakeInquiry("KESTREL ", "DVX4400DUO", "0027")));
    drive->bAdapterOk = true;
    drive->bDeviceOk = false;
    device.Close();
    EXPECT_FALSE(OpenWith(MakeInquiry("KESTREL ", "DVX4400DUO", "0027")));
    drive->bDeviceOk = true;
    drive->responder = [](const ScsiRequest&) { return ScriptedAnswer{.bDeliver = false}; };
    device.Close();
    EXPECT_FALSE(device.Open(u"/dev/sg1"));
    EXPECT_EQ(device.m_nProductClass, 0);
}

}  // namespace
}  // namespace rf::test

namespace rf::test {
namespace {

TEST_F(IdentifyTest, OnlyAnAnswerCarryingTheWholeMarkIsAnEmulatedEnclosure) {
    const std::string_view mark("REFLASHER-EMULATED\0\0", 20);
    auto withMark = [&](BYTE nAdditionalLength, char cLast) {
        std::vector<BYTE> inquiry = MakeInquiry("KESTREL ", "DVX4400DUO", "0027");
        inquiry.resize(56, 0);
        std::copy(mark.begin(), mark.end(), inquiry.begin() + 36);
        inquiry[36 + 17] = static_cast<BYTE>(cLast);
        inquiry[4] = nAdditionalLength;
        return inquiry;
    };
    struct Case {
        std::vector<BYTE> inquiry;
        bool bEmulated;
    };
    const Case cases[] = {
        {MakeInquiry("KESTREL ", "DVX4400DUO", "0027"), false},  // what a real bridge answers
        {withMark(51, 'D'), true},
        {withMark(31, 'D'), false},  // the mark lies past the length the answer gives
        {withMark(51, 'X'), false},  // not our mark
    };
    for (const Case& c : cases) {
        device.Close();
        ASSERT_TRUE(OpenWith(c.inquiry));
        EXPECT_EQ(device.m_bEmulatedEnclosure, c.bEmulated);
    }
}

}  // namespace
}  // namespace rf::test
