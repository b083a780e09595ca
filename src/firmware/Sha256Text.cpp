#include "firmware/Sha256.h"

namespace rf {

std::string DigestHex(const Sha256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const BYTE b : digest) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

std::string Sha256Hex(std::span<const BYTE> bytes) {
    return DigestHex(Sha256(bytes));
}

}  // namespace rf
