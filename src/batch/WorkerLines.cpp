#include "batch/WorkerLines.h"

#include <charconv>

#include "base/Json.h"

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
    // One whole object on the line: a line cut short is no result, and a
    // line of text is not parsed at all.
    if (!line.starts_with('{') || !line.ends_with('}')) {
        return std::nullopt;
    }
    std::string strError;
    const std::optional<CJson> object = ParseJson(line, strError);
    if (!object) {
        return std::nullopt;
    }
    CJsonFields field("result line");
    WorkerResult result;
    // A worker that could not run its update says why as an error.
    const CJson* pError = CJsonFields::Member(*object, "error");
    const CJson& reply = pError != nullptr ? *pError : *object;
    result.strResult = pError != nullptr ? "error" : field.String(*object, "result");
    // String ids are 16-bit; null when there is no message.
    const CJson* pMessageId = CJsonFields::Member(reply, "message_id");
    if (pMessageId == nullptr || !pMessageId->is_null()) {
        result.nMessageId = static_cast<UINT>(field.Integer(reply, "message_id", 0, 0xFFFF));
    }
    if (field.Failed()) {
        return std::nullopt;
    }
    return result;
}

}  // namespace rf
