#include "support/NonTestImages.h"

#include <fstream>
#include <iterator>

#include "firmware/FirmwareImages.h"
#include "package/FirmwarePackage.h"

namespace rf::test {

namespace {

std::size_t CodeOffset(UINT nId) {
    switch (nId) {
        case IDR_SEEPROM_HOST:
            return 0x80;
        case IDR_BRIDGE_FIRMWARE:
            return 0x2C0;
        case IDR_UI_FIRMWARE:
            return 0xB0;
        default:
            return 0x100;
    }
}

}  // namespace

std::vector<BYTE> NonTestImage(UINT nId) {
    const auto image = FindFirmwareImage(nId);
    std::vector<BYTE> bytes(image.begin(), image.end());
    bytes[CodeOffset(nId)] ^= 0x01;
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
    const std::string strMetainfo = MakeMetainfo(package);
    std::ofstream(directory / kMetainfoFileName, std::ios::binary) << strMetainfo;
}

}  // namespace rf::test
