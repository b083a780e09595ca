#include "emulator/tcmu/TcmuServer.h"

#include <algorithm>
#include <array>

namespace rf::emu {

namespace {

constexpr std::size_t kLongestCommandBlock = 16;

// The segments of a command, or none when one lies outside the mapped area.
bool Segments(const rf_tcmu_ring& ring, const void* pCommand,
              std::vector<rf_tcmu_segment>& segments) {
    segments.clear();
    const std::uint32_t nCount = rf_tcmu_segment_count(pCommand);
    for (std::uint32_t i = 0; i < nCount; ++i) {
        rf_tcmu_segment segment{};
        if (rf_tcmu_get_segment(&ring, pCommand, i, &segment) == 0) {
            return false;
        }
        segments.push_back(segment);
    }
    return true;
}

}  // namespace

std::size_t AnswerWaitingCommands(const rf_tcmu_ring& ring, CEnclosureTarget& target,
                                  std::vector<BYTE>& buffer) {
    std::size_t nAnswered = 0;
    std::vector<rf_tcmu_segment> segments;
    while (void* pCommand = rf_tcmu_next_command(&ring)) {
        ++nAnswered;
        std::size_t nRoom = 0;
        const std::uint8_t* pCdb = rf_tcmu_cdb(&ring, pCommand, &nRoom);
        if (pCdb == nullptr || !Segments(ring, pCommand, segments)) {
            const auto sense = FixedSense(kSenseInvalidField);
            rf_tcmu_complete(&ring, pCommand, kScsiCheckCondition, sense.data(), sense.size(), -1);
            continue;
        }
        // The answer is written over the request: everything needed is taken first.
        std::array<BYTE, kLongestCommandBlock> cdb{};
        const std::size_t nCdb = std::min(nRoom, cdb.size());
        std::copy_n(pCdb, nCdb, cdb.begin());
        buffer.clear();
        for (const rf_tcmu_segment& segment : segments) {
            buffer.insert(buffer.end(), segment.pData, segment.pData + segment.nLength);
        }

        const TargetAnswer answer = target.Execute(std::span<const BYTE>(cdb.data(), nCdb), buffer);
        const bool bReturnsData = answer.bDataIn && answer.nStatus == kScsiGood;
        if (bReturnsData) {
            // The whole buffer, so that no stale bytes of an earlier command stay behind.
            std::size_t nAt = 0;
            for (const rf_tcmu_segment& segment : segments) {
                std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(nAt), segment.nLength,
                            segment.pData);
                nAt += segment.nLength;
            }
        }
        rf_tcmu_complete(&ring, pCommand, answer.nStatus, answer.sense.data(), answer.nSenseLength,
                         bReturnsData ? static_cast<long>(answer.nTransferred) : -1);
    }
    return nAnswered;
}

}  // namespace rf::emu
