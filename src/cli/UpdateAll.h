#pragma once

// "update --all": every attached enclosure updated at the same time, each
// by a worker of its own (this program, run as "update --device NAME
// --json"), so that a unit that fails, hangs or goes away cannot hold up
// or harm the others. The parent only searches and reads; it never sends
// a command that writes.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "base/Json.h"
#include "base/Types.h"
#include "batch/WorkerBatch.h"

namespace rf {

class IDeviceSystem;
struct CliContext;
struct CliOptions;
struct CommandStreams;

// A unit as the search found it.
struct BatchUnit {
    std::u16string strDrive;   // as "list" prints it; what the worker is told
    std::u16string strSerial;  // as "info" shows it; empty when unreadable
};

// How a unit's update ended, for the summary, the JSON and the exit status.
struct UnitOutcome {
    enum class Kind { Success, Failure, Nothing } kind = Kind::Failure;
    const char* pszResult = "failure";  // the result key of the unit in JSON
    UINT nMessageId = 0;
    std::u16string message;
};

UnitOutcome OutcomeOf(const WorkerState& state);

// The summary table: unit, result, message, duration.
std::u16string FormatSummary(const std::vector<BatchUnit>& units,
                             const std::vector<WorkerState>& states);
// {"result", "units": [{"drive", "serial", "result", "message_id", "message"}]}
CJson UnitsJson(const std::vector<BatchUnit>& units, const std::vector<WorkerState>& states);
// 0 when every unit was updated, 1 when any failed, 2 otherwise (no unit,
// or units where nothing was done).
int BatchExitStatus(const std::vector<WorkerState>& states);

// The live view while the workers run: on a terminal a table redrawn in
// place, one line per unit; otherwise a plain line whenever a unit's stage
// changes, its progress passes a tenth, or it ends.
class CUpdateAllView final : public IWorkerObserver {
public:
    CUpdateAllView(std::ostream& out, bool bTerminal, const std::vector<BatchUnit>& units);

    void OnWorkerChanged(std::size_t nWorker, const WorkerState& state) override;
    void OnIdle() override;
    // Draws the table a last time (on a terminal).
    void Finish();

private:
    void DrawTable();
    std::u16string StageText(const WorkerState& state) const;

    std::ostream& m_out;
    bool m_bTerminal;
    const std::vector<BatchUnit>& m_units;
    std::vector<WorkerState> m_states;
    std::vector<int> m_lastPlainStep;  // per unit: stage * 100 + tenth last printed
    std::size_t m_nLinesDrawn = 0;
    bool m_bDirty = true;
    unsigned long long m_nLastDrawMs = 0;
};

// What the worker of the unit on the drive runs: the update of that unit
// alone, with every option given that the option table forwards.
std::vector<std::u16string> WorkerArgs(const CliOptions& options, const std::u16string& drive);

// Searches the units in system, then calls beforeWorkers (which hands the
// emulated enclosures over to the workers: the parent saves its copy then,
// never after them) and runs the workers.
int RunUpdateAll(IDeviceSystem& system, const CliOptions& options, CommandStreams& streams,
                 const CliContext& context, const std::function<bool()>& beforeWorkers);

}  // namespace rf
