#include "firmware/ImageCatalogue.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <vector>

#include "firmware/FirmwareImages.h"
#include "firmware/TestImageMark.h"
#include "firmware/VendorImages.h"

namespace rf {

namespace {

constexpr std::size_t kBlock = 256;
// A block of random bytes holds about 162 different values, a header with
// texts and zeros a few dozen.
constexpr std::size_t kMinDistinctValues = 64;

// A polynomial hash over a block that rolls one byte at a time.
constexpr std::uint64_t kHashBase = 0x100000001B3ULL;

constexpr std::uint64_t HighestPower() {
    std::uint64_t nPower = 1;
    for (std::size_t i = 1; i < kBlock; ++i) {
        nPower *= kHashBase;
    }
    return nPower;
}
constexpr std::uint64_t kHighestPower = HighestPower();

std::uint64_t HashBlock(const BYTE* pBlock) {
    std::uint64_t nHash = 0;
    for (std::size_t i = 0; i < kBlock; ++i) {
        nHash = nHash * kHashBase + pBlock[i] + 1u;
    }
    return nHash;
}

std::uint64_t RollHash(std::uint64_t nHash, BYTE out, BYTE in) {
    return (nHash - (out + 1u) * kHighestPower) * kHashBase + in + 1u;
}

std::size_t DistinctValues(const BYTE* pBlock) {
    std::bitset<256> seen;
    for (std::size_t i = 0; i < kBlock; ++i) {
        seen.set(pBlock[i]);
    }
    return seen.count();
}

struct IndexedBlock {
    std::uint64_t nHash;
    const BYTE* pBytes;
};

// The pseudo-random blocks of every generated image, by hash.
class CBlockIndex {
public:
    CBlockIndex() {
        for (const FirmwareImage& image : FirmwareImages()) {
            const std::span<const BYTE> bytes = image.pBytes();
            for (std::size_t nAt = 0; nAt + kBlock <= bytes.size(); nAt += kBlock) {
                if (DistinctValues(bytes.data() + nAt) >= kMinDistinctValues) {
                    const std::uint64_t nHash = HashBlock(bytes.data() + nAt);
                    m_blocks.push_back({nHash, bytes.data() + nAt});
                    m_filter.set(nHash & (m_filter.size() - 1));
                }
            }
        }
        std::sort(m_blocks.begin(), m_blocks.end(),
                  [](const IndexedBlock& a, const IndexedBlock& b) { return a.nHash < b.nHash; });
    }

    bool Contains(std::uint64_t nHash, const BYTE* pBlock) const {
        // Most offsets of a foreign image stop at the filter.
        if (!m_filter.test(nHash & (m_filter.size() - 1))) {
            return false;
        }
        auto it = std::lower_bound(
            m_blocks.begin(), m_blocks.end(), nHash,
            [](const IndexedBlock& block, std::uint64_t nValue) { return block.nHash < nValue; });
        for (; it != m_blocks.end() && it->nHash == nHash; ++it) {
            if (std::equal(pBlock, pBlock + kBlock, it->pBytes)) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<IndexedBlock> m_blocks;
    std::bitset<1u << 16> m_filter;
};

const CBlockIndex& GeneratedBlocks() {
    // Made at first use: some two thousand blocks.
    static const CBlockIndex index;
    return index;
}

// How many blocks of the generated images follow one another anywhere in
// the bytes, each counted where it is found, the search going on after it.
std::size_t FoundBlocks(std::span<const BYTE> bytes) {
    if (bytes.size() < kBlock) {
        return 0;
    }
    const CBlockIndex& index = GeneratedBlocks();
    std::size_t nFound = 0;
    std::size_t nAt = 0;
    std::uint64_t nHash = HashBlock(bytes.data());
    for (;;) {
        if (index.Contains(nHash, bytes.data() + nAt)) {
            ++nFound;
            nAt += kBlock;
            if (nAt + kBlock > bytes.size()) {
                break;
            }
            nHash = HashBlock(bytes.data() + nAt);
            continue;
        }
        if (nAt + kBlock >= bytes.size()) {
            break;
        }
        nHash = RollHash(nHash, bytes[nAt], bytes[nAt + kBlock]);
        ++nAt;
    }
    return nFound;
}

// The whole blocks of the bytes that are not all one value.
std::size_t ContentBlocks(std::span<const BYTE> bytes) {
    std::size_t nCount = 0;
    for (std::size_t nAt = 0; nAt + kBlock <= bytes.size(); nAt += kBlock) {
        const BYTE* pBlock = bytes.data() + nAt;
        if (std::any_of(pBlock, pBlock + kBlock, [&](BYTE b) { return b != pBlock[0]; })) {
            ++nCount;
        }
    }
    return nCount;
}

bool HoldsMark(std::span<const BYTE> bytes) {
    return std::search(bytes.begin(), bytes.end(), kTestImageMark.begin(), kTestImageMark.end()) !=
           bytes.end();
}

}  // namespace

bool IsGeneratedImage(std::span<const BYTE> bytes) {
    if (HoldsMark(bytes)) {
        return true;
    }
    const std::size_t nContent = ContentBlocks(bytes);
    return nContent > 0 && FoundBlocks(bytes) * 2 > nContent;
}

bool CarriesVendorImages() {
    return !VendorImage(IDR_BRIDGE_FIRMWARE).empty();
}

std::span<const BYTE> FindCarriedImage(UINT nId) {
    const std::span<const BYTE> vendor = VendorImage(nId);
    return vendor.empty() ? FindFirmwareImage(nId) : vendor;
}

}  // namespace rf
