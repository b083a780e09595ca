// The test-image check an update makes of every selected image on a real
// unit (and the window of every image it holds): a largest image of the
// maker's, which the check must search through whole at every offset.

#include <benchmark/benchmark.h>

#include <vector>

#include "firmware/FirmwareImages.h"
#include "firmware/ImageCatalogue.h"
#include "support/NonTestImages.h"

namespace {

void BM_TestImageCheckOfAForeignMegabyte(benchmark::State& state) {
    // The stand-in resource data repeated to the SPI flash's whole megabyte.
    const std::vector<rf::BYTE> standIn = rf::test::NonTestImage(rf::IDR_UI_RESOURCE);
    std::vector<rf::BYTE> image;
    while (image.size() < 0x100000) {
        image.insert(image.end(), standIn.begin(), standIn.end());
    }
    image.resize(0x100000);
    rf::IsGeneratedImage(image);  // the catalogue's index is made once
    for (auto _ : state) {
        benchmark::DoNotOptimize(rf::IsGeneratedImage(image));
    }
}
BENCHMARK(BM_TestImageCheckOfAForeignMegabyte)->Unit(benchmark::kMillisecond);

}  // namespace
