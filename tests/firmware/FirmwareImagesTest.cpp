#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "firmware/FirmwareImages.h"
#include "firmware/TestImageMark.h"
#include "images/RomSeeprom.h"

namespace rf {
namespace {

using Bytes = std::vector<BYTE>;

Bytes Image(UINT nId) {
    const std::span<const BYTE> image = FindFirmwareImage(nId);
    return Bytes(image.begin(), image.end());
}

Bytes Text(const std::string& text, std::size_t nField) {
    Bytes bytes(text.begin(), text.end());
    bytes.resize(nField, 0);
    return bytes;
}

// The test-image mark, then nFill bytes of value b.
Bytes Mark(std::size_t nFill, BYTE b) {
    Bytes bytes(kTestImageMark.begin(), kTestImageMark.end());
    bytes.resize(bytes.size() + nFill, b);
    return bytes;
}

Bytes Slice(const Bytes& image, std::size_t nOffset, std::size_t nLength) {
    if (nOffset > image.size() || nLength > image.size() - nOffset) {
        return {};
    }
    return Bytes(image.begin() + static_cast<std::ptrdiff_t>(nOffset),
                 image.begin() + static_cast<std::ptrdiff_t>(nOffset + nLength));
}

WORD Word(const Bytes& image, std::size_t nOffset) {
    return static_cast<WORD>(image.at(nOffset) | image.at(nOffset + 1) << 8);
}

TEST(FirmwareImagesTest, CarriedImagesHaveTheirSizesAndHeaderFields) {
    struct Field {
        UINT nId;
        std::size_t nOffset;
        Bytes expected;
    };
    const Field fields[] = {
        {IDR_BRIDGE_FIRMWARE, 0x000, Text("ERI2", 4)},
        {IDR_BRIDGE_FIRMWARE, 0x004, {0x25, 0x94, 0x00, 0x00}},
        {IDR_BRIDGE_FIRMWARE, 0x008, Text("0.27", 4)},
        {IDR_BRIDGE_FIRMWARE, 0x0D0, Bytes(16, 0)},
        {IDR_BRIDGE_FIRMWARE, 0x0E0, {0x27, 0x00}},
        {IDR_BRIDGE_FIRMWARE, 0x0E2, Mark(2, 0)},
        {IDR_BRIDGE_FIRMWARE, 0x0F0, Text("VIRA    ", 16)},
        {IDR_BRIDGE_FIRMWARE, 0x240, Text("0.27 KESTREL_DVXDUO 2013/11/12 15:11:15", 128)},
        {IDR_BRIDGE_FIRMWARE, 55168 - 16, Text("LAST", 16)},
        {IDR_SEEPROM_HOST,
         0x00,
         {0xAA, 0x55, 0x89, 0x20, 0x79, 0x00, 0x3B, 0x04, 0xF7, 0x07, 0x32, 0x01, 0x00, 0x01}},
        {IDR_SEEPROM_HOST, 0x0E, Mark(4, 0)},
        {IDR_SEEPROM_HOST, 0x1E, {0x18, 0xC0}},
        {IDR_SEEPROM_HOST, 0x20, Text("KESTREL corporation", 32)},
        {IDR_SEEPROM_HOST, 0x40, Text("DVX44/00DUO", 32)},
        {IDR_SEEPROM_HOST, 0x60, Text("0000000000000000", 32)},
        {IDR_SEEPROM_HOST, 0x1816, Bytes(6272 - 0x1816, 0xFF)},
        {IDR_UI_FIRMWARE,
         0x80,
         {0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {IDR_UI_FIRMWARE, 0x90, Text("QV_UI78K", 8)},
        {IDR_UI_FIRMWARE, 0x98, {0x29, 0x00, 0x6C, 0x43, 0x82, 0x8B, 0x00, 0x00}},
        {IDR_UI_FIRMWARE, 0xA0, Mark(4, 0xFF)},
        {IDR_UI_FIRMWARE, 61440 - 16, Bytes(16, 0xFF)},
        {IDR_UI_RESOURCE, 0x00, Text("RESOURCE", 8)},
        {IDR_UI_RESOURCE, 0x08, {0x23, 0x00, 0x6C, 0x43, 0xE7, 0x71, 0x00, 0x00}},
        {IDR_UI_RESOURCE, 0x20, {2, 0, 0, 0, 0x65, 0x76, 0, 0, 0, 1, 0, 0, 0x13, 0x63, 0, 0}},
        {IDR_UI_RESOURCE, 0x30, Mark(0xD0 - 12, 0)},
    };
    EXPECT_EQ(Image(IDR_BRIDGE_FIRMWARE).size(), 55168u);
    EXPECT_EQ(Image(IDR_SEEPROM_HOST).size(), 6272u);
    EXPECT_EQ(Image(IDR_UI_FIRMWARE).size(), 61440u);
    EXPECT_EQ(Image(IDR_UI_RESOURCE).size(), 30309u);
    for (const Field& field : fields) {
        EXPECT_EQ(Slice(Image(field.nId), field.nOffset, field.expected.size()), field.expected)
            << "image " << field.nId << " at " << field.nOffset;
    }
    EXPECT_TRUE(IsValidSeepromHeader(Image(IDR_SEEPROM_HOST).data()));
}

TEST(FirmwareImagesTest, PayloadsAreFilledAndDifferBetweenImages) {
    // Payload regions: bridge firmware code, SEEPROM payload, UI program,
    // resource data.
    const Bytes payloads[] = {
        Slice(Image(IDR_BRIDGE_FIRMWARE), 0x2C0, 4096),
        Slice(Image(IDR_SEEPROM_HOST), 0x80, 4096),
        Slice(Image(IDR_UI_FIRMWARE), 0xB0, 4096),
        Slice(Image(IDR_UI_RESOURCE), 0x100, 4096),
    };
    std::set<Bytes> distinct;
    for (const Bytes& payload : payloads) {
        ASSERT_EQ(payload.size(), 4096u);
        EXPECT_GT(std::count_if(payload.begin(), payload.end(), [](BYTE b) { return b != 0; }),
                  3000);
        distinct.insert(payload);
    }
    EXPECT_EQ(distinct.size(), 4u);
}

TEST(FirmwareImagesTest, EverySetHoldsTheVersionsOfItsRelease) {
    struct Expected {
        WORD wProductVersion;
        WORD wBridge, wHost, wUi, wResource;
    };
    // The shipped combinations, oldest first; the last is what this release carries.
    const Expected expected[] = {
        {0x0100, 0x0024, 0xC017, 0x0025, 0x0022},
        {0x0100, 0x0025, 0xC018, 0x0026, 0x0023},
        {0x0101, 0x0027, 0xC018, 0x0029, 0x0023},
    };
    const auto sets = FirmwareSets();
    ASSERT_EQ(sets.size(), std::size(expected));
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const FirmwareSet& set = sets[i];
        EXPECT_EQ(set.wProductVersion, expected[i].wProductVersion) << set.pszName;
        const Bytes bridge = Image(set.nBridgeFirmware);
        const Bytes host = Image(set.nSeepromHost);
        const Bytes cpu = Image(set.nSeepromCpu);
        const Bytes ui = Image(set.nUiFirmware);
        const Bytes resource = Image(set.nUiResource);
        EXPECT_EQ(Word(bridge, 0xE0), expected[i].wBridge) << set.pszName;
        EXPECT_EQ(Slice(bridge, 0xF0, 8), Text("VIRA    ", 8)) << set.pszName;
        EXPECT_EQ(Slice(bridge, bridge.size() - 16, 4), Text("LAST", 4)) << set.pszName;
        EXPECT_EQ(Word(host, 0x1E), expected[i].wHost) << set.pszName;
        EXPECT_TRUE(IsValidSeepromHeader(host.data())) << set.pszName;
        EXPECT_TRUE(IsValidSeepromHeader(cpu.data())) << set.pszName;
        EXPECT_EQ(Word(ui, 0x98), expected[i].wUi) << set.pszName;
        EXPECT_EQ(Slice(ui, 0x90, 8), Text("QV_UI78K", 8)) << set.pszName;
        EXPECT_EQ(Word(resource, 0x08), expected[i].wResource) << set.pszName;
        EXPECT_EQ(Slice(resource, 0, 8), Text("RESOURCE", 8)) << set.pszName;
        EXPECT_EQ(Word(resource, 0x24), resource.size()) << set.pszName;
    }
    EXPECT_EQ(sets.back().nBridgeFirmware, IDR_BRIDGE_FIRMWARE);
    EXPECT_EQ(sets.back().nSeepromHost, IDR_SEEPROM_HOST);
    EXPECT_EQ(sets.back().nUiFirmware, IDR_UI_FIRMWARE);
    EXPECT_EQ(sets.back().nUiResource, IDR_UI_RESOURCE);
}

TEST(FirmwareImagesTest, CpuSeepromCarriesAPrintableSerialNumber) {
    const Bytes cpu = Image(IDR_SEEPROM_CPU);
    EXPECT_EQ(cpu.size(), 0x800u);
    const Bytes serial = Slice(cpu, 0x60, 32);
    const auto nEnd = std::find(serial.begin(), serial.end(), BYTE{0});
    EXPECT_GT(nEnd - serial.begin(), 8);
    EXPECT_TRUE(std::all_of(serial.begin(), nEnd, [](BYTE b) { return b >= 0x20 && b <= 0x7E; }));
    EXPECT_TRUE(std::all_of(nEnd, serial.end(), [](BYTE b) { return b == 0; }));
}

TEST(FirmwareImagesTest, IdsAreUniqueAndUnknownIdsFindNothing) {
    std::set<UINT> ids;
    for (const FirmwareImage& image : FirmwareImages()) {
        EXPECT_TRUE(ids.insert(image.nId).second) << image.pszName;
        EXPECT_FALSE(image.pBytes().empty()) << image.pszName;
    }
    EXPECT_TRUE(FindFirmwareImage(0).empty());
    EXPECT_TRUE(FindFirmwareImage(132).empty());
}

}  // namespace
}  // namespace rf
