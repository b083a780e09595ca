// Host CPU time of writing the bridge firmware into the emulated enclosure,
// per command and per whole write, beside the time the write takes on the
// modelled device (virtual) and the number of commands it needs.

#include <benchmark/benchmark.h>

#include <string>

#include "device/FlashChips.h"
#include "support/EmulatorFixture.h"
#include "support/TestImages.h"

namespace rf::test {
namespace {

constexpr std::size_t kImageSize = 55168;

void Report(benchmark::State& state, std::uint64_t nCommands, std::uint64_t nVirtualMicroseconds) {
    state.counters["commands"] = static_cast<double>(nCommands);
    state.counters["device_s"] = static_cast<double>(nVirtualMicroseconds) / 1e6;
    state.counters["cpu_per_command"] = benchmark::Counter(
        static_cast<double>(nCommands),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void WriteOnce(benchmark::State& state, const std::string& strChip, bool bFirmwarePath) {
    std::vector<BYTE> image = MakeBridgeFirmware(kImageSize, "0.27", 11);
    image.resize(0x20000, 0xFF);
    std::uint64_t nCommands = 0;
    std::uint64_t nVirtual = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CEmulatorFixture fixture(strChip);
        fixture.enclosure->EnableTrace(false);
        if (bFirmwarePath) {
            fixture.InstallFirmware(MakeBridgeFirmware(kImageSize, "0.24", 12));
        }
        fixture.OpenDevice();
        fixture.device.m_dwFlashBase = 0x20000;
        const std::uint64_t nFirst = fixture.enclosure->NextCommandIndex();
        const std::uint64_t nStart = fixture.env.clock.NowMicroseconds();
        state.ResumeTiming();
        const bool bOk = fixture.device.WriteFlashRom(image.data(), kImageSize, nullptr);
        state.PauseTiming();
        if (!bOk) {
            state.SkipWithError("write failed");
        }
        nCommands = fixture.enclosure->NextCommandIndex() - nFirst;
        nVirtual = fixture.env.clock.NowMicroseconds() - nStart;
        state.ResumeTiming();
    }
    Report(state, nCommands, nVirtual);
}

void BM_FirmwarePath(benchmark::State& state) {
    WriteOnce(state, "SST SST39VF020", true);
}
void BM_RomPathSectorErase(benchmark::State& state) {
    WriteOnce(state, "SST SST39VF020", false);
}
void BM_RomPathChipErase(benchmark::State& state) {
    WriteOnce(state, "AMD AM29LV010B", false);
}
void BM_RomPathPageWrite(benchmark::State& state) {
    WriteOnce(state, "ATMEL AT29LV010", false);
}

BENCHMARK(BM_FirmwarePath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RomPathSectorErase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RomPathChipErase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RomPathPageWrite)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace rf::test

BENCHMARK_MAIN();
