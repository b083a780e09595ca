// Every preset on every link the enclosure may be attached by, each ending
// in the message it is built for; the bridge without firmware with each
// chip of the table. On the virtual clock, so the slow links cost no time.

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "base/Text.h"
#include "device/FlashChips.h"
#include "emulation/EmulatorPresets.h"
#include "support/FaultyDeviceSystem.h"
#include "support/UpdateBench.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

constexpr const char16_t* kDrivePath = u"/dev/sg1";
// An update of a bridge without firmware over full-speed USB takes about
// half an hour of device time.
constexpr std::uint64_t kUpdateLimitMilliseconds = 4 * 3'600'000;

constexpr const char* kLinks[] = {"usb2", "usb2-slow", "usb11", "ieee1394", "ieee1394-slow"};

struct MatrixCase {
    std::string strPreset;
    std::string strFlashChip;  // empty: the preset's own
    std::string strLink;
};

std::vector<MatrixCase> Cases() {
    std::vector<MatrixCase> cases;
    for (const char* pszLink : kLinks) {
        for (const char* pszPreset : {"row1", "row2", "ui-state0", "debugger", "unknown-spi"}) {
            cases.push_back({pszPreset, "", pszLink});
        }
        for (const FlashChipInfo& chip : FlashChips()) {
            cases.push_back({"rom-mode", Utf16ToUtf8(chip.pszName), pszLink});
        }
    }
    return cases;
}

bool IsPageWriteChip(const std::string& strChip) {
    for (const FlashChipInfo& chip : FlashChips()) {
        if (Utf16ToUtf8(chip.pszName) == strChip) {
            return chip.nAlgorithm == FLASH_PAGE_WRITE;
        }
    }
    return false;
}

// The page-write chips take a page only while its bytes come less than
// 150 us apart: a fast USB 2.0 or IEEE 1394 host.
bool IsFastLink(const std::string& strLink) {
    return strLink == "usb2" || strLink == "ieee1394";
}

UINT Expected(const MatrixCase& c) {
    if (c.strPreset == "unknown-spi") {
        return IDS_ERR_UNKNOWN_SPI_FLASH;
    }
    if (c.strPreset != "rom-mode") {
        return IDS_UPDATE_COMPLETE;
    }
    return IsPageWriteChip(c.strFlashChip) && !IsFastLink(c.strLink)
               ? IDS_ERR_FLASH_LINK_TOO_SLOW
               : IDS_UPDATE_COMPLETE_POWER_CYCLE;
}

class CMatrixBench final : public CUpdateBenchOf<CFaultyDeviceSystem> {
public:
    CMatrixBench(const MatrixCase& c, std::string& strError) {
        enclosure = MakeEmulatedEnclosure(c.strPreset, c.strFlashChip, "", strError);
        if (enclosure == nullptr || !AttachByLink(*enclosure, c.strLink, strError)) {
            enclosure = nullptr;
            return;
        }
        enclosure->EnableTrace(false);
        emulated.Attach(kDrivePath, enclosure);
        // A front panel that never had firmware never had a name either.
        theCmdInfo.m_bIgnoreMissingUnitName = c.strPreset == "ui-state0";
    }
};

class LinkMatrixTest : public ::testing::TestWithParam<MatrixCase> {};

TEST_P(LinkMatrixTest, EndsWithItsMessage) {
    const MatrixCase& c = GetParam();
    std::string strError;
    CMatrixBench bench(c, strError);
    ASSERT_NE(bench.enclosure, nullptr) << strError;
    const std::vector<BYTE> flashBefore = bench.enclosure->Flash().Contents();
    const auto hostBefore = bench.enclosure->HostEeprom();
    bench.Open(10'000);
    ASSERT_TRUE(bench.bRefreshed);

    const UINT nExpected = Expected(c);
    EXPECT_EQ(bench.Update(kUpdateLimitMilliseconds), std::optional<UINT>(nExpected));
    if (nExpected == IDS_ERR_FLASH_LINK_TOO_SLOW) {
        // Refused before anything was written.
        EXPECT_EQ(bench.enclosure->Flash().Contents(), flashBefore);
        EXPECT_EQ(bench.enclosure->HostEeprom(), hostBefore);
    }
    if (nExpected == IDS_UPDATE_COMPLETE || nExpected == IDS_UPDATE_COMPLETE_POWER_CYCLE) {
        // Found again after its restart: its FLASH-ROM needs nothing more.
        bench.bRefreshed = false;
        bench.env.loop.RunUntil([&] { return bench.bRefreshed; }, 10'000);
        ASSERT_TRUE(bench.bRefreshed);
        EXPECT_FALSE(bench.dialog->IsSelected(bench.dialog->m_romFlash));
    }
}

std::string CaseName(const ::testing::TestParamInfo<MatrixCase>& info) {
    std::string strName =
        info.param.strPreset + "_" + info.param.strFlashChip + "_" + info.param.strLink;
    for (char& ch : strName) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return strName;
}

INSTANTIATE_TEST_SUITE_P(EveryLink, LinkMatrixTest, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace
}  // namespace rf::test
