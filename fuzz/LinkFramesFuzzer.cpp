// The front panel's side of the framed link: whatever the controller (its
// firmware, its boot mode, or a line in trouble) sends back, for every
// operation of the link, the SPI flash behind it and the boot-mode
// programming. Each input is a series of operations and the answers they get.

#include <array>
#include <cstdint>
#include <vector>

#include "device/ScsiDevice.h"
#include "fuzz/FuzzDevice.h"
#include "programming/SpiFlash.h"
#include "programming/UiFlash.h"
#include "programming/UiLink.h"

namespace {

constexpr int kLargestSeries = 16;

void RunOperation(rf::CScsiDevice& device, std::uint8_t nWhich, rf::fuzz::CFuzzInput& input) {
    std::array<rf::BYTE, 300> buffer{};
    // Small images keep an input's run short; their contents do not matter.
    std::vector<rf::BYTE> image(1 + input.Byte() % 64, 0x5A);
    switch (nWhich % 16) {
        case 0:
            rf::ReceiveUiDataFrame(&device, buffer.data(), input.Byte());
            break;
        case 1:
            rf::WaitUiStatus(&device, (input.Byte() & 1) != 0);
            break;
        case 2:
            rf::ReadUiVersion(&device, buffer.data());
            break;
        case 3:
            rf::ReadResourceHeader(&device, buffer.data());
            break;
        case 4:
            rf::ReadUiInfoBlock(&device, buffer.data());
            break;
        case 5:
            rf::IdentifySpiFlash(&device);
            break;
        case 6:
            rf::ReadSpiStatus(&device, buffer.data());
            break;
        case 7:
            rf::VerifySpiFlash(&device, nullptr, image.data(), static_cast<rf::UINT>(image.size()));
            break;
        case 8:
            rf::WriteSpiFlash(&device, nullptr, image.data(), static_cast<rf::UINT>(image.size()));
            break;
        case 9:
            rf::WriteResourceMagic(&device);
            break;
        case 10:
            rf::ReadResourceHeaderSpi(&device, buffer.data());
            break;
        case 11:
            rf::ProgramUiFlash(&device, nullptr, image.data(), static_cast<rf::UINT>(image.size()));
            break;
        case 12:
            rf::VerifyUiFlash(&device, nullptr, image.data(), static_cast<rf::UINT>(image.size()));
            break;
        case 13:
            rf::SendUiPreUpdateCommand(&device);
            break;
        case 14:
            rf::SpiRead(&device, buffer.data(), static_cast<rf::WORD>(input.Byte() * 2),
                        (input.Byte() & 1) != 0);
            break;
        default:
            device.GetUiState();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    rf::fuzz::CFuzzEnvironment env;
    rf::fuzz::CFuzzInput input(pData, nSize);
    rf::fuzz::CFuzzDeviceSystem system(input, true);
    rf::CScsiDevice device(system);
    device.m_strPath = u"fuzz";
    if (!device.Open(device.m_strPath.c_str())) {
        device.Close();
        return 0;
    }
    for (int i = 0; i < kLargestSeries && !input.Empty(); ++i) {
        RunOperation(device, input.Byte(), input);
    }
    device.Close();
    return 0;
}
