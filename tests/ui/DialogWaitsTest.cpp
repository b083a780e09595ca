#include <gtest/gtest.h>

#include <algorithm>

#include "support/DialogFixture.h"
#include "support/PumpRecorder.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"

namespace rf::test {
namespace {

struct Command {
    std::uint64_t nStart;
    std::uint64_t nEnd;
    BYTE nCode;
    BYTE nMode;
    UINT nLength;
};

class DialogWaitsTest : public ::testing::Test, public CDialogFixture {
protected:
    // Records when each command starts and ends.
    void RecordCommands() {
        faulty.decide = [this](const ScsiRequest& request) {
            commands.push_back(Command{env.clock.NowMicroseconds(), 0, request.Cdb[0],
                                       request.Cdb[1], request.DataTransferLength});
            return FaultAction::Pass;
        };
        tracing.SetSink([this](const TraceEntry&) {
            if (!commands.empty()) {
                commands.back().nEnd = env.clock.NowMicroseconds();
            }
        });
    }

    // The longest stretch without a pump between two moments.
    std::uint64_t LongestWithoutPump(const std::vector<std::uint64_t>& pumps, std::uint64_t nFrom,
                                     std::uint64_t nTo) const {
        std::uint64_t nLast = nFrom;
        std::uint64_t nLongest = 0;
        for (std::uint64_t nPump : pumps) {
            if (nPump >= nFrom && nPump <= nTo) {
                nLongest = std::max(nLongest, nPump - nLast);
                nLast = nPump;
            }
        }
        return std::max(nLongest, nTo - nLast);
    }

    std::vector<Command> commands;
};

TEST_F(DialogWaitsTest, TheWorkflowsWaitsLastAsLongAsBeforeButKeepTheWindowPumped) {
    Attach("row1");
    OpenDialog(true);
    CPumpRecorder recorder(env.loop);
    RecordCommands();
    ASSERT_EQ(Update(), IDS_UPDATE_COMPLETE);
    // Each mode change of a stage is followed by its wait; the last one (to
    // mode 1, by the restart) is preceded by the wait before the restart.
    std::vector<std::size_t> modeChanges;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (commands[i].nCode == 0xFA && commands[i].nLength == 0) {
            modeChanges.push_back(i);
        }
    }
    ASSERT_GE(modeChanges.size(), 5u)
        << "1 and 3 before the resource data, 1 and 4 before the firmware, 1 to restart";
    for (std::size_t i : modeChanges) {
        const bool bRestart = i == modeChanges.back();
        const Command& before = bRestart ? commands[i - 1] : commands[i];
        const Command& after = bRestart ? commands[i] : commands[i + 1];
        const BYTE nMode = commands[i].nMode;
        const std::uint64_t nWait = bRestart     ? 1'000'000
                                    : nMode == 1 ? 2'000'000
                                    : nMode == 3 ? 100'000
                                                 : 50'000;
        EXPECT_GE(after.nStart - before.nEnd, nWait) << "mode " << int{nMode} << ", command " << i;
        EXPECT_LE(LongestWithoutPump(recorder.times, before.nEnd, after.nStart), 50'000u)
            << "mode " << int{nMode} << ", command " << i;
    }
}

TEST_F(DialogWaitsTest, ADeviceUnpluggedWhileItsControllerIsWokenLeavesTheWindowSearching) {
    Attach("ui-state0");
    bool bUnplugged = false;
    faulty.decide = [&](const ScsiRequest& request) {
        if (!bUnplugged && request.Cdb[0] == 0xFA && request.Cdb[1] == 1 &&
            request.DataTransferLength == 0) {
            emulated.Detach(u"sdb");
            bUnplugged = true;
        }
        return FaultAction::Pass;
    };
    OpenDialog(true);
    RunFor(3000);
    ASSERT_TRUE(bUnplugged);
    EXPECT_FALSE(bLastFound);
    EXPECT_EQ(dialog->GetDlgItem(IDC_DEVICE_NAME)->GetWindowText(), u" Searching device ...");
    EXPECT_EQ(dialog->m_romFlash.m_strDeviceVersion, u"");
    EXPECT_FALSE(dialog->m_btnUpdate.IsWindowEnabled());
}

}  // namespace
}  // namespace rf::test
