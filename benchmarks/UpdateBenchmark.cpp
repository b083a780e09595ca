// One whole update of the emulated enclosure (oldest shipped firmware to the
// carried images), on each link profile: host CPU time against the time the update takes
// on the modelled device, the command count, and what of that device time
// no implementation could save: the protocol's fixed waits, the bus time of
// the commands and the time the memories are busy.

#include <benchmark/benchmark.h>

#include <numeric>

#include "emulation/EmulatorPresets.h"
#include "support/DialogFixture.h"
#include "text/StringTable.h"

namespace rf::test {
namespace {

constexpr const char* kLinks[] = {"usb2", "usb2-slow", "usb11", "ieee1394", "ieee1394-slow"};

void BM_WholeUpdate(benchmark::State& state) {
    const char* pszLink = kLinks[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(pszLink);
    std::uint64_t nCommands = 0;
    std::uint64_t nDevice = 0;
    std::uint64_t nSleeps = 0;
    std::uint64_t nBus = 0;
    std::uint64_t nWork = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto pFixture = std::make_unique<CDialogFixture>();
        std::string strError;
        if (!AttachByLink(*pFixture->Attach("row1"), pszLink, strError)) {
            state.SkipWithError(strError.c_str());
        }
        pFixture->OpenDialog(false);
        pFixture->env.clock.ClearSleeps();
        const std::uint64_t nStart = pFixture->env.clock.NowMicroseconds();
        const auto busBefore = pFixture->enclosure->Counters();
        const std::uint64_t nCommandsBefore = pFixture->tracing.Counters().nCommands;
        state.ResumeTiming();
        const UINT nResult = pFixture->Update();
        state.PauseTiming();
        if (nResult != IDS_UPDATE_COMPLETE) {
            state.SkipWithError("update failed");
        }
        const auto& sleeps = pFixture->env.clock.Sleeps();
        nSleeps = std::accumulate(sleeps.begin(), sleeps.end(), std::uint64_t{0});
        nDevice = pFixture->env.clock.NowMicroseconds() - nStart;
        nCommands = pFixture->tracing.Counters().nCommands - nCommandsBefore;
        nBus = pFixture->enclosure->Counters().nBusMicroseconds - busBefore.nBusMicroseconds;
        nWork = pFixture->enclosure->Counters().nWorkMicroseconds - busBefore.nWorkMicroseconds;
        pFixture.reset();
        state.ResumeTiming();
    }
    state.counters["commands"] = static_cast<double>(nCommands);
    state.counters["device_s"] = static_cast<double>(nDevice) / 1e6;
    state.counters["fixed_waits_s"] = static_cast<double>(nSleeps) / 1e6;
    state.counters["bus_s"] = static_cast<double>(nBus) / 1e6;
    state.counters["bridge_work_s"] = static_cast<double>(nWork) / 1e6;
}

BENCHMARK(BM_WholeUpdate)
    ->DenseRange(0, static_cast<std::int64_t>(std::size(kLinks)) - 1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace rf::test
