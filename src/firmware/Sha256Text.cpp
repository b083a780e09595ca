#include "firmware/Sha256.h"

#include "base/Text.h"

namespace rf {

std::string DigestHex(const Sha256Digest& digest) {
    return HexBytes(digest, HexCase::Lower);
}

std::string Sha256Hex(std::span<const BYTE> bytes) {
    return DigestHex(Sha256(bytes));
}

}  // namespace rf
