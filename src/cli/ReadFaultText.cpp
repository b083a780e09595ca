#include <string>

#include "base/Text.h"
#include "cli/Commands.h"
#include "device/ReadFault.h"
#include "text/StringTable.h"

namespace rf {

std::u16string DescribeReadFault(const ReadFault& fault) {
    UINT nText = 0;
    switch (fault.kind) {
        case ReadFaultKind::None:
            return std::u16string();
        case ReadFaultKind::NotDelivered:
            nText = IDS_CLI_READ_NOT_DELIVERED;
            break;
        case ReadFaultKind::Refused:
            nText = IDS_CLI_READ_REFUSED;
            break;
        case ReadFaultKind::Short:
            nText = IDS_CLI_READ_SHORT;
            break;
        case ReadFaultKind::NoAnswer:
            nText = IDS_CLI_READ_NO_ANSWER;
            break;
    }
    std::u16string text = LoadResString(nText) + u"0x" + Hex(fault.nOffset, 5);
    if (fault.kind == ReadFaultKind::Refused) {
        text += u" (status 0x" + Hex(fault.nStatus, 2) + u", sense " + Hex(fault.nSenseKey, 1) +
                u"/" + Hex(fault.nAsc, 2) + u"/" + Hex(fault.nAscq, 2) + u")";
    } else if (fault.kind == ReadFaultKind::Short) {
        text += u" (" + Utf8ToUtf16(std::to_string(fault.nReceived)) + u"/" +
                Utf8ToUtf16(std::to_string(fault.nAsked)) + u")";
    }
    return text;
}

const char* ReadFaultKey(ReadFaultKind kind) {
    switch (kind) {
        case ReadFaultKind::None:
            return "none";
        case ReadFaultKind::NotDelivered:
            return "not_delivered";
        case ReadFaultKind::Refused:
            return "refused";
        case ReadFaultKind::Short:
            return "short";
        case ReadFaultKind::NoAnswer:
            return "no_answer";
    }
    return "none";
}

}  // namespace rf
