#include <gtest/gtest.h>

#include <fstream>

#include "base/SharedClock.h"
#include "base/Text.h"
#include "support/TempFiles.h"

namespace rf::test {
namespace {

TEST(SharedClockTest, ProcessesMappingOneFileShareOneTimeline) {
    CTempFiles files;
    const std::string strPath = Utf16ToUtf8(files.Path("clock"));
    const auto host = CSharedVirtualClock::Open(strPath);
    const auto device = CSharedVirtualClock::Open(strPath);
    ASSERT_TRUE(host && device);
    EXPECT_EQ(host->NowMicroseconds(), 0u) << "a new clock starts at zero";
    host->SleepMicroseconds(10'000);
    device->Elapse(250);
    EXPECT_EQ(device->NowMicroseconds(), 10'250u);
    EXPECT_EQ(CSharedVirtualClock::Open(strPath)->NowMicroseconds(), 10'250u) << "kept in the file";

    std::ofstream(Utf16ToUtf8(files.Path("other"))) << "not a clock";
    EXPECT_EQ(CSharedVirtualClock::Open(Utf16ToUtf8(files.Path("other"))), nullptr);
    EXPECT_EQ(CSharedVirtualClock::Open(files.Root()), nullptr) << "a directory";
}

}  // namespace
}  // namespace rf::test
