// The bridge without firmware with each FLASH chip of the table, updated
// through the broker: every command of each of these updates, the longest
// the program sends, passes the broker's filter and the update ends as it
// does without the broker.

#include <gtest/gtest.h>

#include <cctype>

#include "base/Text.h"
#include "broker/LoopbackBroker.h"
#include "device/FlashChips.h"
#include "emulation/EmulatorPresets.h"
#include "support/UpdateBench.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

constexpr std::uint64_t kUpdateLimitMilliseconds = 4 * 3'600'000;

class BrokerMatrixTest : public ::testing::TestWithParam<std::string> {};

TEST_P(BrokerMatrixTest, TheUpdateThroughTheBrokerEndsAsWithout) {
    CUpdateBenchOf<CLoopbackBroker> bench;
    std::string strError;
    bench.enclosure = MakeEmulatedEnclosure("rom-mode", GetParam(), "", strError);
    ASSERT_NE(bench.enclosure, nullptr) << strError;
    bench.enclosure->EnableTrace(false);
    bench.emulated.Attach(u"/dev/sg1", bench.enclosure);
    bench.Open(10'000);
    ASSERT_TRUE(bench.bRefreshed);
    EXPECT_EQ(bench.Update(kUpdateLimitMilliseconds),
              std::optional<UINT>(IDS_UPDATE_COMPLETE_POWER_CYCLE));
    for (const std::string& strLine : bench.faults.log) {
        EXPECT_EQ(strLine.find("refused"), std::string::npos) << strLine;
    }
}

std::vector<std::string> ChipNames() {
    std::vector<std::string> names;
    for (const FlashChipInfo& chip : FlashChips()) {
        names.push_back(Utf16ToUtf8(chip.pszName));
    }
    return names;
}

std::string CaseName(const ::testing::TestParamInfo<std::string>& info) {
    std::string strName = info.param;
    for (char& ch : strName) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return strName;
}

INSTANTIATE_TEST_SUITE_P(EveryFlashChip, BrokerMatrixTest, ::testing::ValuesIn(ChipNames()),
                         CaseName);

}  // namespace
}  // namespace rf::test
