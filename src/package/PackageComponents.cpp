#include "package/PackageComponents.h"
#include "base/Text.h"

#include <algorithm>
#include <array>
#include <vector>

#include "firmware/Sha256.h"

namespace rf {

namespace {

constexpr std::array kComponents = std::to_array<PackageComponent>({
    {MemoryKind::Host, "SEEPROM", "seeprom", "host SEEPROM contents",
     "The settings the bridge controller starts with, kept in its host-side serial EEPROM."},
    {MemoryKind::Flash, "BRIDGE", "bridge", "bridge firmware",
     "The firmware of the USB and IEEE 1394 bridge controller, kept in its parallel FLASH-ROM."},
    {MemoryKind::Resource, "UIRSC", "resources", "front panel resources",
     "The display resources of the front panel, kept in the SPI flash beside its controller."},
    {MemoryKind::Ui, "UI", "frontpanel", "front panel firmware",
     "The firmware of the front panel's controller, kept in the controller's own flash."},
});

// The DNS namespace, which fwupd makes its GUIDs in.
constexpr std::array<BYTE, 16> kNamespace = {0x6b, 0xa7, 0xb8, 0x10, 0x9d, 0xad, 0x11, 0xd1,
                                             0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};

constexpr std::size_t kVendorField = 8;

std::string Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return std::string(text);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

const PackageComponent& ComponentOf(MemoryKind kind) {
    for (const PackageComponent& component : kComponents) {
        if (component.kind == kind) {
            return component;
        }
    }
    return kComponents.front();
}

std::string ProductVendor(const SupportedProduct& product) {
    return Trimmed(std::string_view(product.pszPrefix).substr(0, kVendorField));
}

std::string ProductModel(const SupportedProduct& product) {
    const std::string_view prefix = product.pszPrefix;
    return prefix.size() > kVendorField ? Trimmed(prefix.substr(kVendorField)) : std::string();
}

std::string ComponentInstanceId(const SupportedProduct& product, MemoryKind kind) {
    return "SCSI\\VEN_" + ProductVendor(product) + "&DEV_" + ProductModel(product) + "&PART_" +
           ComponentOf(kind).pszPart;
}

std::string GuidOfInstanceId(std::string_view instanceId) {
    std::vector<BYTE> input(kNamespace.begin(), kNamespace.end());
    input.insert(input.end(), instanceId.begin(), instanceId.end());
    const Sha1Digest digest = Sha1(input);
    std::array<BYTE, 16> uuid{};
    std::copy_n(digest.begin(), uuid.size(), uuid.begin());
    uuid[6] = static_cast<BYTE>((uuid[6] & 0x0F) | 0x50);  // version 5
    uuid[8] = static_cast<BYTE>((uuid[8] & 0x3F) | 0x80);  // the RFC 4122 variant
    std::string text;
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        AppendHexBytes(text, std::span(uuid).subspan(i, 1), HexCase::Lower);
    }
    return text;
}

bool FindComponentGuid(std::string_view guid, const SupportedProduct*& pProduct, MemoryKind& kind) {
    struct KnownGuid {
        std::string strGuid;
        const SupportedProduct* pProduct;
        MemoryKind kind;
    };
    // Made at first use: a dozen hashes.
    static const std::vector<KnownGuid> known = [] {
        std::vector<KnownGuid> list;
        for (const SupportedProduct& product : SupportedProducts()) {
            for (const PackageComponent& component : kComponents) {
                list.push_back({GuidOfInstanceId(ComponentInstanceId(product, component.kind)),
                                &product, component.kind});
            }
        }
        return list;
    }();
    std::string lower;
    for (const char c : guid) {
        lower.push_back(LowerAscii(c));
    }
    for (const KnownGuid& entry : known) {
        if (entry.strGuid == lower) {
            pProduct = entry.pProduct;
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

}  // namespace rf
