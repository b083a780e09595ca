// How long the window goes without a message pump during one whole update of
// the emulated enclosure (oldest shipped firmware to the carried images, USB
// 2.0 latency model), in virtual time. A single command that blocks longer
// than a pump slice cannot be helped by pumping around it, so the time inside
// such commands is left out of the second figure; the label names the
// commands after which stretches over a slice began.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "device/FrontEndPump.h"
#include "support/DialogFixture.h"
#include "support/PumpRecorder.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

struct Command {
    std::uint64_t nStart;
    std::uint64_t nEnd;
    std::array<BYTE, 16> cdb;
};

constexpr std::uint64_t kSliceMicroseconds = std::uint64_t{kPumpSliceMilliseconds} * 1000;

void BM_PumpGaps(benchmark::State& state) {
    std::uint64_t nLongest = 0;
    std::uint64_t nLongestOutside = 0;
    std::uint64_t nLongestCommand = 0;
    // Longest stretch over a slice, by the command after which it began.
    std::map<std::string, std::uint64_t> stretches;
    for (auto _ : state) {
        state.PauseTiming();
        auto pFixture = std::make_unique<CDialogFixture>();
        CDialogFixture& fixture = *pFixture;
        fixture.Attach("row1");
        fixture.OpenDialog(false);
        std::vector<Command> commands;
        fixture.faulty.decide = [&](const ScsiRequest& request) {
            commands.push_back(Command{fixture.env.clock.NowMicroseconds(), 0, request.Cdb});
            return FaultAction::Pass;
        };
        fixture.tracing.SetSink(
            [&](const TraceEntry&) { commands.back().nEnd = fixture.env.clock.NowMicroseconds(); });
        auto pRecorder = std::make_unique<CPumpRecorder>(fixture.env.loop);
        const std::uint64_t nStart = fixture.env.clock.NowMicroseconds();
        state.ResumeTiming();
        const UINT nResult = fixture.Update();
        state.PauseTiming();
        if (nResult != IDS_UPDATE_COMPLETE) {
            state.SkipWithError("update failed");
        }
        const std::uint64_t nEnd = fixture.env.clock.NowMicroseconds();

        // Moments at which the window is served, or at which a blocking
        // command starts or ends.
        std::vector<std::pair<std::uint64_t, int>>
            points;  // time, kind: 0 pump, 1 block start, 2 block end
        points.emplace_back(nStart, 0);
        for (std::uint64_t nPump : pRecorder->times) {
            points.emplace_back(nPump, 0);
        }
        points.emplace_back(nEnd, 0);
        for (const Command& command : commands) {
            nLongestCommand = std::max(nLongestCommand, command.nEnd - command.nStart);
            if (command.nEnd - command.nStart > kSliceMicroseconds) {
                points.emplace_back(command.nStart, 1);
                points.emplace_back(command.nEnd, 2);
            }
        }
        std::sort(points.begin(), points.end());
        stretches.clear();
        nLongest = 0;
        nLongestOutside = 0;
        std::uint64_t nLastPump = nStart;
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (points[i].second == 0) {
                nLongest = std::max(nLongest, points[i].first - nLastPump);
                nLastPump = points[i].first;
            }
            const bool bInsideBlock = points[i - 1].second == 1 && points[i].second == 2;
            const std::uint64_t nGap = points[i].first - points[i - 1].first;
            if (bInsideBlock || nGap <= kSliceMicroseconds) {
                nLongestOutside = bInsideBlock ? nLongestOutside : std::max(nLongestOutside, nGap);
                continue;
            }
            nLongestOutside = std::max(nLongestOutside, nGap);
            // Named by the last command that ended before the stretch began.
            std::string strWhere = "start";
            for (const Command& command : commands) {
                if (command.nEnd <= points[i - 1].first) {
                    char acText[32];
                    std::snprintf(acText, sizeof acText, "%02X %02X %02X", command.cdb[0],
                                  command.cdb[1], command.cdb[2]);
                    strWhere = acText;
                }
            }
            stretches[strWhere] = std::max(stretches[strWhere], nGap);
        }
        pRecorder.reset();
        pFixture.reset();
        state.ResumeTiming();
    }
    state.counters["longest_gap_ms"] = static_cast<double>(nLongest) / 1000;
    state.counters["longest_gap_outside_blocking_ms"] = static_cast<double>(nLongestOutside) / 1000;
    state.counters["longest_command_ms"] = static_cast<double>(nLongestCommand) / 1000;
    std::string strLabel;
    for (const auto& [strWhere, nGap] : stretches) {
        strLabel +=
            (strLabel.empty() ? "" : ", ") + std::to_string(nGap / 1000) + " ms after " + strWhere;
    }
    state.SetLabel(strLabel);
}

BENCHMARK(BM_PumpGaps)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace rf::test
