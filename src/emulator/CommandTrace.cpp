#include "emulator/CommandTrace.h"

namespace rf::emu {

namespace {

void AppendHex(std::string& text, const BYTE* pBytes, std::size_t nCount) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < nCount; ++i) {
        text.push_back(kDigits[pBytes[i] >> 4]);
        text.push_back(kDigits[pBytes[i] & 0x0F]);
    }
}

}  // namespace

std::string FormatTraceLine(const TraceEntry& entry) {
    std::string line = std::to_string(entry.nIndex);
    line += ' ';
    AppendHex(line, entry.cdb.data(), entry.nCdbLength);
    line += entry.direction == TraceDirection::In    ? " in "
            : entry.direction == TraceDirection::Out ? " out "
                                                     : " none ";
    line += std::to_string(entry.nLength);
    line += ' ';
    if (entry.dataOut.empty()) {
        line += '-';
    } else {
        AppendHex(line, entry.dataOut.data(), entry.dataOut.size());
    }
    line += ' ';
    AppendHex(line, &entry.nStatus, 1);
    return line;
}

}  // namespace rf::emu
