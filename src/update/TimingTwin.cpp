#include "update/TimingTwin.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "base/Clock.h"
#include "base/Text.h"
#include "device/FindDevice.h"
#include "device/FlashChips.h"
#include "emulation/EmulatorPresets.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "programming/SpiFlash.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

// The preset whose bridge and front panel start as the unit's did; the
// firmware versions in the memories do not change what the update sends.
const char* PresetLike(const CFirmwareUpdate& unit) {
    if (unit.m_device.m_bRomMode) {
        return "rom-mode";
    }
    if (unit.m_eUiStateFound == UI_STATE_MUST_SWITCH) {
        return "ui-state0";
    }
    return unit.m_romUI78K.m_bDebugger ? "debugger" : "row1";
}

// A chip the unit's read identified, by the name the emulator's models
// share with the updater's tables; empty for the preset's own.
template <typename Chip>
std::string ChipName(const Chip* pChip) {
    return pChip == nullptr ? std::string() : Utf16ToUtf8(pChip->pszName);
}

class CStageRecorder final : public IUpdateStatusSink {
public:
    void OnStatus(UINT nTextId) override { m_texts.push_back(nTextId); }
    std::vector<UINT> m_texts;
};

}  // namespace

TwinRun RunOnTwin(const CFirmwareUpdate& unit, std::span<const CRomObject* const> write,
                  const emu::BusProfile& link, const std::filesystem::path& journalDirectory) {
    TwinRun run;
    // The twin's time is its own: the unit's clock neither moves nor waits.
    CVirtualClock clock;
    CScopedClock scopedClock(clock);
    std::string strError;
    const std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure =
        MakeEmulatedEnclosure(PresetLike(unit), ChipName(unit.m_device.m_pFlashChip),
                              ChipName(unit.m_device.m_pSpiFlashChip), strError);
    if (pEnclosure == nullptr) {
        return run;
    }
    pEnclosure->SetBus(link);
    emu::CEmulatedDeviceSystem system;
    system.Attach(u"timing-twin", pEnclosure);

    // The twin keeps its journal where it is told and no state: nothing of
    // the computer's changes for it.
    if (journalDirectory.empty()) {
        return run;
    }
    UpdateOptions options = unit.Options();
    options.journalDirectory = journalDirectory;
    options.stateDirectory.clear();
    CFirmwareUpdate twin(system, options);
    const std::array<const CRomObject*, 4> unitRoms = {&unit.m_romFlash, &unit.m_romHost,
                                                       &unit.m_romUI78K, &unit.m_romUIRSC};
    const std::array<CRomObject*, 4> twinRoms = twin.Writable();
    for (std::size_t i = 0; i < unitRoms.size(); ++i) {
        const CRomObject& from = *unitRoms[i];
        if (from.IsLoaded() &&
            !twinRoms[i]->LoadBytes(std::span<const BYTE>(from.m_pData.get(), from.m_nDataSize),
                                    from.m_origin, from.m_strOriginPath)) {
            return run;
        }
    }

    const std::uint64_t nStart = clock.NowMicroseconds();
    if (SearchDevice(twin.m_device) != DeviceChange::Found || !twin.ReadUnit(nullptr)) {
        return run;
    }
    // The twin starts with the copy of the unit's name that the unit's
    // journal keeps, as the unit's update would find it.
    if (!CopyKeptEntry(unit.Journal(), unit.m_romCpu, twin.Journal(), twin.m_romCpu)) {
        return run;
    }
    run.bMade = true;
    run.nReadMicroseconds = clock.NowMicroseconds() - nStart;
    // The run branches on the front panel's version (the command before an
    // update), which is the unit's, not the twin's.
    twin.m_romUI78K.m_wDeviceVersion = unit.m_romUI78K.m_wDeviceVersion;
    for (std::size_t i = 0; i < unitRoms.size(); ++i) {
        twin.Select(*twinRoms[i],
                    std::find(write.begin(), write.end(), unitRoms[i]) != write.end());
    }
    CStageRecorder stages;
    const std::uint64_t nRunStart = clock.NowMicroseconds();
    run.nMessageId = twin.Run(nullptr, stages).nMessageId;
    run.nRunMicroseconds = clock.NowMicroseconds() - nRunStart;
    run.stageTexts = std::move(stages.m_texts);
    return run;
}

}  // namespace rf
