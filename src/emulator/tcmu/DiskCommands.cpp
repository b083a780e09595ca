#include "emulator/tcmu/DiskCommands.h"

#include <algorithm>
#include <vector>

#include "emulator/BigEndian.h"

namespace rf::emu {

namespace {

enum class DiskOp {
    RequestSense,
    Read,
    Write,
    ModeSense6,
    ModeSense10,
    ReadCapacity10,
    ReadCapacity16,
    Flush,
    Accept,  // nothing to do: start/stop, medium removal
};

// Where each command keeps its block address and its block count (reads
// and writes) or allocation length (everything that answers with data).
struct DiskCommand {
    BYTE nOpcode;
    DiskOp op;
    BYTE nAddressAt;
    BYTE nAddressBytes;
    BYTE nCountAt;
    BYTE nCountBytes;
};

constexpr DiskCommand kDiskCommands[] = {
    {0x03, DiskOp::RequestSense, 0, 0, 4, 1},    {0x08, DiskOp::Read, 1, 3, 4, 1},
    {0x0A, DiskOp::Write, 1, 3, 4, 1},           {0x1A, DiskOp::ModeSense6, 0, 0, 4, 1},
    {0x1B, DiskOp::Accept, 0, 0, 0, 0},          {0x1E, DiskOp::Accept, 0, 0, 0, 0},
    {0x25, DiskOp::ReadCapacity10, 0, 0, 0, 0},  {0x28, DiskOp::Read, 2, 4, 7, 2},
    {0x2A, DiskOp::Write, 2, 4, 7, 2},           {0x35, DiskOp::Flush, 0, 0, 0, 0},
    {0x5A, DiskOp::ModeSense10, 0, 0, 7, 2},     {0x88, DiskOp::Read, 2, 8, 10, 4},
    {0x8A, DiskOp::Write, 2, 8, 10, 4},          {0x91, DiskOp::Flush, 0, 0, 0, 0},
    {0x9E, DiskOp::ReadCapacity16, 0, 0, 10, 4},
};

constexpr SenseCode kSenseNone = {0x00, 0x00, 0x00};
constexpr SenseCode kSenseAddressOutOfRange = {0x05, 0x21, 0x00};
constexpr SenseCode kSenseReadError = {0x03, 0x11, 0x00};
constexpr SenseCode kSenseWriteError = {0x03, 0x0C, 0x00};

constexpr BYTE kReadCapacityAction = 0x10;  // of SERVICE ACTION IN(16)
constexpr BYTE kCachingPage = 0x08;
constexpr BYTE kAllPages = 0x3F;
// Write cache off: every write is in the image when it completes, so the
// kernel has no cache to flush.
constexpr BYTE kCachingPageData[] = {
    kCachingPage, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::uint32_t kSixByteAddressMask = 0x1FFFFF;

const DiskCommand* Find(BYTE nOpcode) {
    const auto it = std::find_if(std::begin(kDiskCommands), std::end(kDiskCommands),
                                 [&](const DiskCommand& c) { return c.nOpcode == nOpcode; });
    return it == std::end(kDiskCommands) ? nullptr : it;
}

// The start of an answer, cut to the allocation length and the buffer.
TargetAnswer Reply(std::span<const BYTE> reply, std::uint64_t nAllocation, std::span<BYTE> data) {
    const std::size_t nCount =
        std::min({reply.size(), data.size(), static_cast<std::size_t>(nAllocation)});
    std::copy_n(reply.begin(), nCount, data.begin());
    return DataInAnswer(static_cast<UINT>(nCount));
}

TargetAnswer ModeSense(std::span<const BYTE> cdb, bool bTenByte, std::uint64_t nAllocation,
                       std::span<BYTE> data) {
    const BYTE nPage = cdb[2] & 0x3F;
    if (cdb[3] != 0 || (nPage != kCachingPage && nPage != kAllPages)) {
        return CheckCondition(kSenseInvalidField);  // no subpages, no other pages
    }
    // No block descriptors; not write protected.
    std::vector<BYTE> reply(bTenByte ? 8 : 4, 0);
    reply.insert(reply.end(), std::begin(kCachingPageData), std::end(kCachingPageData));
    if (bTenByte) {
        PutBigEndian(reply, 0, 2, reply.size() - 2);
    } else {
        reply[0] = static_cast<BYTE>(reply.size() - 1);
    }
    return Reply(reply, nAllocation, data);
}

TargetAnswer ReadCapacity(const CEmulatedDisk& disk, bool bSixteenByte, std::uint64_t nAllocation,
                          std::span<BYTE> data) {
    const std::uint64_t nLast = disk.BlockCount() - 1;
    if (!bSixteenByte) {
        std::array<BYTE, 8> reply{};
        PutBigEndian(reply, 0, 4, std::min<std::uint64_t>(nLast, 0xFFFFFFFF));
        PutBigEndian(reply, 4, 4, CEmulatedDisk::kBlockSize);
        return Reply(reply, reply.size(), data);
    }
    std::array<BYTE, 32> reply{};
    PutBigEndian(reply, 0, 8, nLast);
    PutBigEndian(reply, 8, 4, CEmulatedDisk::kBlockSize);
    return Reply(reply, nAllocation, data);
}

TargetAnswer Transfer(CEmulatedDisk& disk, const DiskCommand& command, std::span<const BYTE> cdb,
                      std::span<BYTE> data) {
    std::uint64_t nAddress = BigEndian(cdb, command.nAddressAt, command.nAddressBytes);
    std::uint64_t nCount = BigEndian(cdb, command.nCountAt, command.nCountBytes);
    if (command.nCountBytes == 1) {
        // The six-byte forms: a 21-bit address, and 0 blocks stands for 256.
        nAddress &= kSixByteAddressMask;
        nCount = nCount == 0 ? 256 : nCount;
    }
    if (nAddress > disk.BlockCount() || nCount > disk.BlockCount() - nAddress) {
        return CheckCondition(kSenseAddressOutOfRange);
    }
    const std::uint64_t nBytes = nCount * CEmulatedDisk::kBlockSize;
    if (nBytes > data.size()) {
        return CheckCondition(kSenseInvalidField);
    }
    const std::span<BYTE> blocks = data.first(static_cast<std::size_t>(nBytes));
    if (command.op == DiskOp::Read) {
        return disk.Read(nAddress, blocks) ? DataInAnswer(static_cast<UINT>(nBytes))
                                           : CheckCondition(kSenseReadError);
    }
    return disk.Write(nAddress, blocks) ? TargetAnswer{.nTransferred = static_cast<UINT>(nBytes)}
                                        : CheckCondition(kSenseWriteError);
}

}  // namespace

bool IsDiskCommand(BYTE nOpcode) {
    return Find(nOpcode) != nullptr;
}

TargetAnswer AnswerDiskCommand(CEmulatedDisk& disk, std::span<const BYTE> cdb,
                               std::span<BYTE> data) {
    const DiskCommand* pCommand = Find(cdb[0]);
    if (pCommand == nullptr) {
        return CheckCondition(kSenseInvalidOpcode);
    }
    const std::uint64_t nAllocation = BigEndian(cdb, pCommand->nCountAt, pCommand->nCountBytes);
    switch (pCommand->op) {
        case DiskOp::RequestSense:
            // Sense is returned with each CHECK CONDITION; nothing is left pending.
            return Reply(FixedSense(kSenseNone), nAllocation, data);
        case DiskOp::Read:
        case DiskOp::Write:
            return Transfer(disk, *pCommand, cdb, data);
        case DiskOp::ModeSense6:
        case DiskOp::ModeSense10:
            return ModeSense(cdb, pCommand->op == DiskOp::ModeSense10, nAllocation, data);
        case DiskOp::ReadCapacity10:
            return ReadCapacity(disk, false, nAllocation, data);
        case DiskOp::ReadCapacity16:
            if ((cdb[1] & 0x1F) != kReadCapacityAction) {
                return CheckCondition(kSenseInvalidField);
            }
            return ReadCapacity(disk, true, nAllocation, data);
        case DiskOp::Flush:
            return disk.Flush() ? TargetAnswer{} : CheckCondition(kSenseWriteError);
        case DiskOp::Accept:
            return TargetAnswer{};
    }
    return CheckCondition(kSenseInvalidOpcode);
}

}  // namespace rf::emu
