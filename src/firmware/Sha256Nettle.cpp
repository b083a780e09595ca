#include <nettle/sha1.h>
#include <nettle/sha2.h>

#include "firmware/Sha256.h"

namespace rf {

Sha256Digest Sha256(std::span<const BYTE> bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), bytes.data());
    Sha256Digest digest{};
    sha256_digest(&context, digest.size(), digest.data());
    return digest;
}

Sha1Digest Sha1(std::span<const BYTE> bytes) {
    sha1_ctx context;
    sha1_init(&context);
    sha1_update(&context, bytes.size(), bytes.data());
    Sha1Digest digest{};
    sha1_digest(&context, digest.size(), digest.data());
    return digest;
}

}  // namespace rf
