#pragma once

// What a worker tells the parent, line by line, on its output. While it
// works: "@progress STAGE PERCENT", STAGE the string id of the stage's
// status text (0 before the first stage), PERCENT 0 to 100. At the end:
// the update's own JSON object, exactly as "update --json" prints it for
// one unit. Every other line (a message, a warning) is kept as text.
// Lines that fit none of these, however garbled, are text too: the parent
// never takes a unit's result from a line it could not read whole.

#include <optional>
#include <string>
#include <string_view>

#include "base/Types.h"

namespace rf {

// Set in a worker's environment: its update reports its stages as
// progress lines.
inline constexpr char kWorkerProgressVariable[] = "REFLASHER_WORKER_PROGRESS";

struct WorkerProgress {
    UINT nStage = 0;
    int nPercent = 0;
};

struct WorkerResult {
    std::string strResult;  // "success", "failure", "nothing", "refused"
    UINT nMessageId = 0;
};

std::string FormatProgressLine(const WorkerProgress& progress);
std::optional<WorkerProgress> ParseProgressLine(std::string_view line);
// The result object of "update --json": {"result": "...", "message_id": N, ...}.
std::optional<WorkerResult> ParseResultLine(std::string_view line);

}  // namespace rf
