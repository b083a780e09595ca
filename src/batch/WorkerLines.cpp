#include "batch/WorkerLines.h"

#include <charconv>

namespace rf {

namespace {

constexpr std::string_view kProgressTag = "@progress ";
// No string id and no percentage is longer.
constexpr std::size_t kMaxDigits = 5;

// A decimal number at the start of text, which is advanced past it.
std::optional<unsigned> TakeNumber(std::string_view& text) {
    std::size_t nDigits = 0;
    while (nDigits < text.size() && nDigits <= kMaxDigits && text[nDigits] >= '0' &&
           text[nDigits] <= '9') {
        ++nDigits;
    }
    unsigned nValue = 0;
    if (nDigits == 0 || nDigits > kMaxDigits ||
        std::from_chars(text.data(), text.data() + nDigits, nValue).ec != std::errc()) {
        return std::nullopt;
    }
    text.remove_prefix(nDigits);
    return nValue;
}

// The text just after "key": (and any spaces), or nothing.
std::optional<std::string_view> ValueOf(std::string_view object, std::string_view key) {
    const std::string quotedKey = "\"" + std::string(key) + "\":";
    const std::size_t nAt = object.find(quotedKey);
    if (nAt == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view value = object.substr(nAt + quotedKey.size());
    while (!value.empty() && value.front() == ' ') {
        value.remove_prefix(1);
    }
    return value;
}

}  // namespace

std::string FormatProgressLine(const WorkerProgress& progress) {
    return std::string(kProgressTag) + std::to_string(progress.nStage) + " " +
           std::to_string(progress.nPercent);
}

std::optional<WorkerProgress> ParseProgressLine(std::string_view line) {
    if (!line.starts_with(kProgressTag)) {
        return std::nullopt;
    }
    line.remove_prefix(kProgressTag.size());
    const std::optional<unsigned> stage = TakeNumber(line);
    if (!stage || !line.starts_with(' ')) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const std::optional<unsigned> percent = TakeNumber(line);
    if (!percent || !line.empty() || *percent > 100) {
        return std::nullopt;
    }
    return WorkerProgress{*stage, static_cast<int>(*percent)};
}

std::optional<WorkerResult> ParseResultLine(std::string_view line) {
    // One whole object on the line: a line cut short is no result.
    if (!line.starts_with('{') || !line.ends_with('}')) {
        return std::nullopt;
    }
    const std::optional<std::string_view> result = ValueOf(line, "result");
    std::optional<std::string_view> messageId = ValueOf(line, "message_id");
    if (!result || !messageId || !result->starts_with('"')) {
        return std::nullopt;
    }
    const std::size_t nEnd = result->find('"', 1);
    const std::optional<unsigned> nMessage = TakeNumber(*messageId);
    if (nEnd == std::string_view::npos || !nMessage) {
        return std::nullopt;
    }
    return WorkerResult{std::string(result->substr(1, nEnd - 1)), *nMessage};
}

}  // namespace rf
