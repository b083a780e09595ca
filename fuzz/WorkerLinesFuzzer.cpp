// What a worker of "update --all" prints, line by line, as the parent reads
// it: progress lines, the update's JSON result, anything else.

#include <cstdint>
#include <string_view>

#include "batch/WorkerLines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    while (!text.empty()) {
        const std::size_t nEnd = text.find('\n');
        const std::string_view line = text.substr(0, nEnd);
        (void)rf::ParseProgressLine(line);
        (void)rf::ParseResultLine(line);
        text.remove_prefix(nEnd == std::string_view::npos ? text.size() : nEnd + 1);
    }
    return 0;
}
