#include "update/PlannedUpdate.h"

#include <algorithm>
#include <random>
#include <string>
#include <system_error>

#include "device/ProductTable.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"
#include "update/TimingTwin.h"

namespace rf {

namespace {

bool IsSuccess(UINT nMessageId) {
    UpdateResult result;
    result.nMessageId = nMessageId;
    return result.Succeeded();
}

// The twin's unit journal: a directory of its own that goes with the plan,
// so that the entry a twin keeps and forgets is never the unit's, and
// nothing of the user's state directory changes. Without a temporary
// directory there is no twin.
class CScratchJournal {
public:
    CScratchJournal() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error) {
            return;
        }
        std::random_device random;
        m_directory = base / ("reflasher-plan-" + std::to_string(random()));
    }
    ~CScratchJournal() {
        if (!m_directory.empty()) {
            std::error_code error;
            std::filesystem::remove_all(m_directory, error);
        }
    }
    CScratchJournal(const CScratchJournal&) = delete;
    CScratchJournal& operator=(const CScratchJournal&) = delete;

    const std::filesystem::path& Directory() const { return m_directory; }

private:
    std::filesystem::path m_directory;
};

}  // namespace

const emu::BusProfile& LinkProfileOf(const CScsiDevice& device) {
    const emu::BusProfile* pSameBus = nullptr;
    for (const emu::BusProfile& profile : emu::BusProfiles()) {
        if (profile.nBusType != device.m_nBusType) {
            continue;
        }
        if (FormatBusName(profile.nBusType, profile.nMajorVersion, profile.nMinorVersion) ==
            device.m_strBusName) {
            return profile;
        }
        if (pSameBus == nullptr) {
            pSameBus = &profile;
        }
    }
    return pSameBus != nullptr ? *pSameBus : emu::DefaultBusProfile();
}

namespace {

// An update that fails at a memory writes none after it, so the plan lists
// none after it. The steps of a refused update are what it would write
// once the cause is gone; its total, like every total, is no less than
// the parts listed, each of which was timed on a run of its own.
void StopWhereTheUpdateStops(PlannedUpdate& planned) {
    const auto failed = std::find_if(planned.steps.begin(), planned.steps.end(),
                                     [](const PlannedStep& step) { return step.nFailure != 0; });
    if (failed != planned.steps.end()) {
        planned.steps.erase(failed + 1, planned.steps.end());
    }
    if (!planned.totalMicroseconds || !planned.otherMicroseconds) {
        return;
    }
    std::uint64_t nParts = *planned.otherMicroseconds;
    for (const PlannedStep& step : planned.steps) {
        nParts += step.estimatedMicroseconds.value_or(0);
    }
    planned.totalMicroseconds = std::max(*planned.totalMicroseconds, nParts);
}

}  // namespace

PlannedUpdate PlanUpdate(CFirmwareUpdate& unit, const emu::BusProfile& link) {
    PlannedUpdate planned;
    planned.pLink = &link;
    const UpdatePlan plan = unit.Plan();
    planned.bQuestion = plan.bConfirmationNeeded;
    // The same checks, on the same memories, as the update makes before its
    // first write; they read the unit and change nothing.
    const UpdateResult refusal = unit.CheckRefusals();
    planned.bRefused = refusal.eOutcome == UpdateOutcome::Refused;
    const UINT nRefusal = refusal.nMessageId;
    planned.strDetail = refusal.strDetail;

    const CScratchJournal journal;
    // What every run costs whatever it writes: the search, the read, and the
    // restart at the end. Each memory's time is what writing it alone adds
    // to that; the total is the whole update, which also ends as the update
    // would (a check before the first write may refuse it all).
    const TwinRun none =
        journal.Directory().empty() ? TwinRun{} : RunOnTwin(unit, {}, link, journal.Directory());
    if (!none.bMade) {
        for (const CRomObject* pRom : plan.memories) {
            planned.steps.push_back(PlannedStep{pRom, {}, std::nullopt, 0});
        }
        planned.nMessageId = planned.bQuestion ? IDS_CONFIRM_OVERWRITE : nRefusal;
        return planned;
    }
    for (const CRomObject* pRom : plan.memories) {
        const TwinRun run = RunOnTwin(unit, std::span(&pRom, 1), link, journal.Directory());
        PlannedStep step{pRom, run.stageTexts, std::nullopt, 0};
        if (run.bMade) {
            step.estimatedMicroseconds = run.nRunMicroseconds > none.nRunMicroseconds
                                             ? run.nRunMicroseconds - none.nRunMicroseconds
                                             : 0;
            step.nFailure = IsSuccess(run.nMessageId) ? 0 : run.nMessageId;
        }
        planned.steps.push_back(std::move(step));
    }
    const TwinRun all = RunOnTwin(unit, plan.memories, link, journal.Directory());
    planned.otherMicroseconds = none.nReadMicroseconds + none.nRunMicroseconds;
    if (all.bMade) {
        planned.totalMicroseconds = all.nReadMicroseconds + all.nRunMicroseconds;
    }
    planned.nMessageId = planned.bQuestion  ? IDS_CONFIRM_OVERWRITE
                         : planned.bRefused ? nRefusal
                                            : all.nMessageId;
    StopWhereTheUpdateStops(planned);
    return planned;
}

}  // namespace rf
