#include "support/NonTestImages.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "firmware/FirmwareImages.h"
#include "firmware/TestImageMark.h"
#include "images/RomSeeprom.h"
#include "package/FirmwarePackage.h"

// Made by the image generator during the build (tests/CMakeLists.txt).
namespace rf::firmware {
std::span<const BYTE> StandIn_bridge_0027();
std::span<const BYTE> StandIn_seeprom_host_c018();
std::span<const BYTE> StandIn_ui_firmware_0029();
std::span<const BYTE> StandIn_ui_resource_0023();
}  // namespace rf::firmware

namespace rf::test {

std::vector<BYTE> NonTestImage(UINT nId) {
    std::span<const BYTE> image;
    switch (nId) {
        case IDR_SEEPROM_HOST:
            image = firmware::StandIn_seeprom_host_c018();
            break;
        case IDR_BRIDGE_FIRMWARE:
            image = firmware::StandIn_bridge_0027();
            break;
        case IDR_UI_FIRMWARE:
            image = firmware::StandIn_ui_firmware_0029();
            break;
        default:
            image = firmware::StandIn_ui_resource_0023();
            break;
    }
    return std::vector<BYTE>(image.begin(), image.end());
}

const char* ImageChangeName(ImageChange change) {
    switch (change) {
        case ImageChange::OneByte:
            return "one byte changed";
        case ImageChange::Padded:
            return "padded";
        case ImageChange::CutShort:
            return "cut short";
        case ImageChange::ChecksumFixed:
            return "checksum fixed";
    }
    return "";
}

std::vector<BYTE> ChangedImage(std::span<const BYTE> image, ImageChange change) {
    std::vector<BYTE> bytes(image.begin(), image.end());
    const auto mark =
        std::search(bytes.begin(), bytes.end(), kTestImageMark.begin(), kTestImageMark.end());
    const std::size_t nMark =
        mark != bytes.end() ? static_cast<std::size_t>(mark - bytes.begin()) : bytes.size() / 2;
    const bool bSeeprom = bytes.size() >= 128 && bytes[0] == 0xAA && bytes[1] == 0x55;
    switch (change) {
        case ImageChange::OneByte:
            // A SEEPROM image stays valid: its mark lies in the checksummed header.
            bytes[bSeeprom ? bytes.size() / 2 : nMark] ^= 0x01;
            break;
        case ImageChange::Padded:
            bytes.insert(bytes.end(), 16, 0x00);
            break;
        case ImageChange::CutShort:
            bytes.resize(bytes.size() - 5);
            break;
        case ImageChange::ChecksumFixed:
            bytes[nMark + 1] ^= 0x40;
            if (bSeeprom) {
                ComputeSeepromChecksum(bytes.data());
            }
            break;
    }
    return bytes;
}

void WritePackageDirectory(const std::filesystem::path& directory, bool bTestImages) {
    std::filesystem::create_directories(directory);
    for (const MemoryKindInfo& kind : MemoryKinds()) {
        const auto carried = FindFirmwareImage(kind.nCarriedId);
        const std::vector<BYTE> bytes = bTestImages
                                            ? std::vector<BYTE>(carried.begin(), carried.end())
                                            : NonTestImage(kind.nCarriedId);
        std::ofstream(directory / kind.pszFileName, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    WriteMetainfo(directory);
}

void WriteMetainfo(const std::filesystem::path& directory) {
    FirmwarePackage package;
    package.strProduct = "KESTREL DVX4400DUO";
    package.strProductVersion = "1.01";
    for (const MemoryKindInfo& kind : MemoryKinds()) {
        std::ifstream file(directory / kind.pszFileName, std::ios::binary);
        const std::vector<BYTE> bytes((std::istreambuf_iterator<char>(file)),
                                      std::istreambuf_iterator<char>());
        package.images.push_back(
            {&kind, kind.pszFileName, ImageVersionText(kind.kind, bytes), "", bytes});
    }
    for (const auto& [name, bytes] : MakeMetainfoFiles(package)) {
        std::ofstream(directory / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
}

}  // namespace rf::test
