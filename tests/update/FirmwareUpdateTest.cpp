#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "device/FindDevice.h"
#include "device/FrontEndPump.h"
#include "device/TracingDeviceSystem.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "emulator/EmulatedEnclosure.h"
#include "support/PumpRecorder.h"
#include "support/TestEnvironment.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf::test {
namespace {

// A front end that answers every question alike and keeps what it was told.
class CStatusRecorder final : public IUpdateFrontEnd {
public:
    void OnStatus(UINT nTextId) override { statuses.push_back(nTextId); }
    bool Ask(UINT /*nQuestionId*/) override { return bYes; }
    void ShowResult(const UpdateResult& result) override { results.push_back(result.nMessageId); }
    std::vector<UINT> statuses;
    std::vector<UINT> results;
    bool bYes = false;
};

// An update with no dialog and no window: the object alone, over an
// emulated enclosure made from a preset.
class FirmwareUpdateTest : public ::testing::Test {
protected:
    void Read(const char* pszPreset) {
        std::string strError;
        enclosure = MakeEmulatedEnclosure(pszPreset, "", "", strError);
        ASSERT_NE(enclosure, nullptr) << strError;
        emulated.Attach(u"sdb", enclosure);
        update.RefreshImages();
        ASSERT_EQ(SearchDevice(update.m_device), DeviceChange::Found);
        ASSERT_TRUE(update.ReadUnit(nullptr));
        update.RefreshSelection();
    }

    CTestEnvironment env;
    emu::CEmulatedDeviceSystem emulated;
    CTracingDeviceSystem tracing{emulated};
    std::shared_ptr<emu::CEmulatedEnclosure> enclosure;
    CFirmwareUpdate update{tracing};
};

TEST_F(FirmwareUpdateTest, ThePlanNamesWhatTheRunWritesAndSendsNothing) {
    Read("row1");
    std::size_t nCommands = tracing.Counters().nCommands;
    const UpdatePlan plan = update.Plan();
    EXPECT_EQ(tracing.Counters().nCommands, nCommands) << "planning sends nothing";
    EXPECT_FALSE(plan.bConfirmationNeeded);
    const std::vector<const CRomObject*> order = {&update.m_romHost, &update.m_romFlash,
                                                  &update.m_romUIRSC, &update.m_romUI78K};
    EXPECT_EQ(plan.memories, order);

    CStatusRecorder status;
    EXPECT_EQ(update.CheckBeforeFirstWrite().nMessageId, 0u);
    const UpdateResult result = update.Run(nullptr, status);
    EXPECT_EQ(result.nMessageId, IDS_UPDATE_COMPLETE);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(
        status.statuses,
        (std::vector<UINT>{IDS_UPDATING_SEEPROM_HOST, IDS_CHECKING_SEEPROM_HOST,
                           IDS_UPDATING_FLASH_ROM, IDS_UPDATING_SPIROM_UI, IDS_CHECKING_SPIROM_UI,
                           IDS_UPDATING_FLASH_ROM_UI, IDS_CHECKING_FLASH_ROM_UI}));
    EXPECT_EQ(enclosure->Revision(), "0.27");
    EXPECT_FALSE(update.m_device.IsOpen()) << "the bridge was restarted";
    EXPECT_TRUE(update.Plan().bConfirmationNeeded) << "every written memory was unselected";
}

// A host without a window (a worker, a server) installs its own turn; the
// window's message loop must then never be pumped behind the device layer's
// back by any step of a read or an update.
TEST_F(FirmwareUpdateTest, EveryTurnForTheFrontEndGoesThroughTheInstalledPump) {
    class CCountingPump final : public IFrontEndPump {
    public:
        void Pump() override { ++nTurns; }
        int nTurns = 0;
    };
    CCountingPump turns;
    CScopedFrontEndPump scoped(turns);
    CPumpRecorder window(env.loop);
    Read("row1");
    const int nReadTurns = turns.nTurns;
    EXPECT_GT(nReadTurns, 0);
    CStatusRecorder status;
    ASSERT_TRUE(update.Run(nullptr, status).Succeeded());
    EXPECT_GT(turns.nTurns, nReadTurns);
    EXPECT_TRUE(window.times.empty());
}

TEST_F(FirmwareUpdateTest, NothingNewerAsksFirstAndYesSelectsEveryHeldImage) {
    Read("current");
    update.m_romUI78K.m_nDataSize = 0;
    const UpdatePlan plan = update.Plan();
    EXPECT_TRUE(plan.bConfirmationNeeded);
    EXPECT_EQ(plan.memories, (std::vector<const CRomObject*>{&update.m_romHost, &update.m_romFlash,
                                                             &update.m_romUIRSC}));

    CStatusRecorder frontEnd;
    EXPECT_FALSE(update.ConfirmSelection(frontEnd)) << "answered No";
    frontEnd.bYes = true;
    EXPECT_TRUE(update.ConfirmSelection(frontEnd));
    EXPECT_FALSE(update.Plan().bConfirmationNeeded);
    EXPECT_EQ(update.Plan().memories, plan.memories);
}

// Where each stage of a run began, by the enclosure's command index.
class CStageRecorder final : public IUpdateStatusSink {
public:
    explicit CStageRecorder(const emu::CEmulatedEnclosure& enclosure) : m_enclosure(enclosure) {}
    void OnStatus(UINT nTextId) override {
        stages.push_back({nTextId, m_enclosure.NextCommandIndex()});
    }
    std::vector<std::pair<UINT, std::uint64_t>> stages;

private:
    const emu::CEmulatedEnclosure& m_enclosure;
};

struct StageRun {
    UINT nMessageId = 0;
    std::vector<std::pair<UINT, std::uint64_t>> stages;
    std::uint64_t nEndIndex = 0;
};

// One whole update of a row1 unit on the object alone, with a fault at one
// command when given.
StageRun RunRow1(std::optional<emu::Fault> fault) {
    CTestEnvironment env;
    emu::CEmulatedDeviceSystem emulated;
    std::string strError;
    const auto enclosure = MakeEmulatedEnclosure("row1", "", "", strError);
    EXPECT_NE(enclosure, nullptr) << strError;
    emulated.Attach(u"sdb", enclosure);
    CFirmwareUpdate update(emulated);
    update.RefreshImages();
    EXPECT_EQ(SearchDevice(update.m_device), DeviceChange::Found);
    EXPECT_TRUE(update.ReadUnit(nullptr));
    update.RefreshSelection();
    EXPECT_EQ(update.CheckBeforeFirstWrite().nMessageId, 0u);
    enclosure->ResetCommandIndex();
    if (fault) {
        enclosure->AddFault(*fault);
    }
    CStageRecorder recorder(*enclosure);
    StageRun run;
    run.nMessageId = update.Run(nullptr, recorder).nMessageId;
    run.stages = recorder.stages;
    run.nEndIndex = enclosure->NextCommandIndex();
    return run;
}

// A command of a memory's stage that the bridge refuses ends the run with
// that stage's message (a refused SEEPROM write once its check finds it);
// no later memory's stage begins, so those memories get no command.
TEST(FirmwareUpdateStageTest, AFailedStageReportsItsMessageAndLeavesLaterMemoriesAlone) {
    const StageRun whole = RunRow1(std::nullopt);
    ASSERT_EQ(whole.nMessageId, IDS_UPDATE_COMPLETE);
    ASSERT_EQ(whole.stages.size(), 7u);
    struct Expected {
        std::size_t nStage;  // in the whole run's order
        bool bMidway;        // else the stage's first command
        UINT nMessageId;
        std::size_t nStagesBegun;
    };
    const Expected expected[] = {
        {0, false, IDS_ERR_WRITE_EEPROM, 2},    // a refused write, found by its check
        {2, true, IDS_ERR_WRITE_FLASH_ROM, 3},  // FLASH-ROM erased and written
        {3, true, IDS_ERR_WRITE_SPIROM, 4},     // resource data written
        {4, true, IDS_ERR_WRITE_SPIROM, 5},     // resource data verified
    };
    for (const Expected& row : expected) {
        const std::uint64_t nStart = whole.stages[row.nStage].second;
        const std::uint64_t nEnd = whole.stages[row.nStage + 1].second;
        emu::Fault fault;
        fault.nIndex = row.bMidway ? nStart + (nEnd - nStart) / 2 : nStart;
        fault.kind = emu::FaultKind::CheckCondition;
        const StageRun failed = RunRow1(fault);
        EXPECT_EQ(failed.nMessageId, row.nMessageId) << "stage " << row.nStage;
        EXPECT_EQ(failed.stages.size(), row.nStagesBegun)
            << "a later stage began after " << row.nStage;
    }
}

}  // namespace
}  // namespace rf::test
