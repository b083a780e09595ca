#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

#include "firmware/Sha256.h"

namespace rf {

Sha256Digest Sha256(std::span<const BYTE> bytes) {
    // The CNG algorithm provider holds no secret; a failure leaves the
    // digest all zero, which names no image.
    Sha256Digest digest{};
    BCRYPT_ALG_HANDLE hAlgorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&hAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
        return digest;
    }
    BCRYPT_HASH_HANDLE hHash = nullptr;
    if (BCryptCreateHash(hAlgorithm, &hHash, nullptr, 0, nullptr, 0, 0) == 0) {
        // The input goes in pieces that fit the call's 32-bit length.
        constexpr std::size_t kPiece = 1u << 30;
        bool bOk = true;
        for (std::size_t nAt = 0; nAt < bytes.size() && bOk; nAt += kPiece) {
            const std::size_t nLength = std::min(kPiece, bytes.size() - nAt);
            bOk = BCryptHashData(hHash, const_cast<PUCHAR>(bytes.data() + nAt),
                                 static_cast<ULONG>(nLength), 0) == 0;
        }
        if (!bOk ||
            BCryptFinishHash(hHash, digest.data(), static_cast<ULONG>(digest.size()), 0) != 0) {
            digest.fill(0);
        }
        BCryptDestroyHash(hHash);
    }
    BCryptCloseAlgorithmProvider(hAlgorithm, 0);
    return digest;
}

}  // namespace rf
