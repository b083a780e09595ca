// Host CPU time of programming the memories behind the front-panel
// controller of the emulated enclosure (the resource data in the SPI flash,
// the controller's own flash), beside the time the work takes on the
// modelled device (virtual) and the number of commands it needs.

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

#include "programming/SpiFlash.h"
#include "programming/UiFlash.h"
#include "support/EmulatorFixture.h"
#include "support/UiTestImages.h"

namespace rf::test {
namespace {

void Report(benchmark::State& state, std::uint64_t nCommands, std::uint64_t nVirtualMicroseconds) {
    state.counters["commands"] = static_cast<double>(nCommands);
    state.counters["device_s"] = static_cast<double>(nVirtualMicroseconds) / 1e6;
    state.counters["cpu_per_command"] = benchmark::Counter(
        static_cast<double>(nCommands),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

using Step = std::function<bool(CScsiDevice& device)>;

// Each iteration: a fresh enclosure whose controller holds older contents,
// then the prepare steps untimed, then the measured step.
void RunOnce(benchmark::State& state, const std::string& strBus, bool bBootMode,
             const std::vector<Step>& prepare, const Step& measured) {
    std::uint64_t nCommands = 0;
    std::uint64_t nVirtual = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CEmulatorFixture fixture("SST SST39VF020", strBus);
        fixture.enclosure->EnableTrace(false);
        emu::CEmulatedUiController& controller = fixture.FitUiController("WINBOND W25X40A");
        controller.InstallFirmware(MakeUiFirmware(0x25, 1));
        controller.SpiFlash().SetContents(MakeResourceData(kResourceDataSize, 0x22, 2));
        fixture.OpenDevice();
        if (bBootMode) {
            fixture.device.SetUiMode(4);
            Sleep(50);
        }
        bool bOk = true;
        for (const Step& step : prepare) {
            bOk = bOk && step(fixture.device);
        }
        const std::uint64_t nFirst = fixture.enclosure->NextCommandIndex();
        const std::uint64_t nStart = fixture.env.clock.NowMicroseconds();
        state.ResumeTiming();
        bOk = bOk && measured(fixture.device);
        state.PauseTiming();
        if (!bOk) {
            state.SkipWithError("programming failed");
        }
        nCommands = fixture.enclosure->NextCommandIndex() - nFirst;
        nVirtual = fixture.env.clock.NowMicroseconds() - nStart;
        state.ResumeTiming();
    }
    Report(state, nCommands, nVirtual);
}

const std::vector<BYTE>& ResourceImage() {
    static const std::vector<BYTE> image = [] {
        std::vector<BYTE> bytes = MakeResourceData(kResourceDataSize, 0x23, 3);
        std::fill_n(bytes.begin(), 8, BYTE{0xFF});
        return bytes;
    }();
    return image;
}

const std::vector<BYTE>& UiImage() {
    static const std::vector<BYTE> image = MakeUiFirmware(0x29, 4);
    return image;
}

bool WriteResource(CScsiDevice& device) {
    return WriteSpiFlash(&device, nullptr, ResourceImage().data(), kResourceDataSize);
}
bool VerifyResource(CScsiDevice& device) {
    return VerifySpiFlash(&device, nullptr, ResourceImage().data(), kResourceDataSize);
}
bool ProgramUi(CScsiDevice& device) {
    return ProgramUiFlash(&device, nullptr, UiImage().data(), kUiFirmwareSize);
}
bool VerifyUi(CScsiDevice& device) {
    return VerifyUiFlash(&device, nullptr, UiImage().data(), kUiFirmwareSize);
}

void BM_SpiWrite(benchmark::State& state) {
    RunOnce(state, "usb2", false, {}, WriteResource);
}
void BM_SpiVerify(benchmark::State& state) {
    RunOnce(state, "usb2", false, {WriteResource}, VerifyResource);
}
void BM_UiProgramUsb2(benchmark::State& state) {
    RunOnce(state, "usb2", true, {}, ProgramUi);
}
void BM_UiVerifyUsb2(benchmark::State& state) {
    RunOnce(state, "usb2", true, {ProgramUi}, VerifyUi);
}
void BM_UiProgramUsb11(benchmark::State& state) {
    RunOnce(state, "usb11", true, {}, ProgramUi);
}
void BM_UiVerifyUsb11(benchmark::State& state) {
    RunOnce(state, "usb11", true, {ProgramUi}, VerifyUi);
}

BENCHMARK(BM_SpiWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpiVerify)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UiProgramUsb2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UiVerifyUsb2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UiProgramUsb11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UiVerifyUsb11)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace rf::test
