#include "firmware/ImageCatalogue.h"

#include <algorithm>
#include <vector>

#include "firmware/FirmwareImages.h"
#include "firmware/Sha256.h"
#include "firmware/VendorImages.h"

namespace rf {

namespace {

std::span<const BYTE> WithoutErasedTail(std::span<const BYTE> bytes) {
    std::size_t nEnd = bytes.size();
    while (nEnd > 0 && bytes[nEnd - 1] == 0xFF) {
        --nEnd;
    }
    return bytes.first(nEnd);
}

const std::vector<Sha256Digest>& GeneratedDigests() {
    // Made at first use: a few hundred kilobytes hashed once.
    static const std::vector<Sha256Digest> digests = [] {
        std::vector<Sha256Digest> list;
        for (const FirmwareImage& image : FirmwareImages()) {
            list.push_back(Sha256(WithoutErasedTail(image.pBytes())));
        }
        return list;
    }();
    return digests;
}

}  // namespace

bool IsGeneratedImage(std::span<const BYTE> bytes) {
    const std::span<const BYTE> content = WithoutErasedTail(bytes);
    if (content.empty()) {
        return false;
    }
    const Sha256Digest digest = Sha256(content);
    const std::vector<Sha256Digest>& known = GeneratedDigests();
    return std::find(known.begin(), known.end(), digest) != known.end();
}

bool CarriesVendorImages() {
    return !VendorImage(IDR_BRIDGE_FIRMWARE).empty();
}

std::span<const BYTE> FindCarriedImage(UINT nId) {
    const std::span<const BYTE> vendor = VendorImage(nId);
    return vendor.empty() ? FindFirmwareImage(nId) : vendor;
}

}  // namespace rf
