// The broker's request reader, its most exposed parser: a connection's
// bytes as they come, frame after frame, each request read, checked by the
// command filter and written back to the same bytes; and the same bytes as
// answers, which the program reads from whatever listens at a socket.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "broker/CommandFilter.h"
#include "device/broker/BrokerWire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    std::span<const rf::BYTE> bytes(pData, nSize);
    for (;;) {
        rf::BrokerRequest request;
        std::size_t nConsumed = 0;
        if (rf::ReadBrokerRequest(bytes, request, nConsumed) != rf::FrameRead::Done) {
            break;
        }
        if (request.kind == rf::BrokerRequestKind::Scsi) {
            rf::MatchCommand({request.cdb.data(), request.nCdbLength}, request.direction,
                             request.nLength);
        }
        // A request has one way of being written.
        const std::vector<rf::BYTE> again = rf::WriteBrokerRequest(request);
        if (!std::equal(again.begin(), again.end(), bytes.begin(), bytes.begin() + nConsumed) ||
            again.size() != nConsumed) {
            std::abort();
        }
        bytes = bytes.subspan(nConsumed);
    }

    rf::BrokerAnswer answer;
    std::size_t nConsumed = 0;
    if (rf::ReadBrokerAnswer({pData, nSize}, answer, nConsumed) == rf::FrameRead::Done) {
        const std::vector<rf::BYTE> again = rf::WriteBrokerAnswer(answer);
        rf::BrokerAnswer twice;
        if (rf::ReadBrokerAnswer(again, twice, nConsumed) != rf::FrameRead::Done) {
            std::abort();
        }
    }
    return 0;
}
