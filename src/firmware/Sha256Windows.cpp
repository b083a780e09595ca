#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

#include "firmware/Sha256.h"

namespace rf {

namespace {

// The CNG algorithm provider holds no secret; a failure leaves the digest
// all zero, which names no image.
void Hash(LPCWSTR pszAlgorithm, std::span<const BYTE> bytes, std::span<BYTE> digest) {
    std::fill(digest.begin(), digest.end(), BYTE{0});
    BCRYPT_ALG_HANDLE hAlgorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&hAlgorithm, pszAlgorithm, nullptr, 0) != 0) {
        return;
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
            std::fill(digest.begin(), digest.end(), BYTE{0});
        }
        BCryptDestroyHash(hHash);
    }
    BCryptCloseAlgorithmProvider(hAlgorithm, 0);
}

}  // namespace

Sha256Digest Sha256(std::span<const BYTE> bytes) {
    Sha256Digest digest{};
    Hash(BCRYPT_SHA256_ALGORITHM, bytes, digest);
    return digest;
}

Sha1Digest Sha1(std::span<const BYTE> bytes) {
    Sha1Digest digest{};
    Hash(BCRYPT_SHA1_ALGORITHM, bytes, digest);
    return digest;
}

}  // namespace rf
