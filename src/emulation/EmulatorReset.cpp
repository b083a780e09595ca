#include "emulation/EmulatorReset.h"

#include <memory>

#include "base/Text.h"
#include "emulation/EmulatedUnits.h"
#include "emulation/TwinFromBackup.h"
#include "emulator/EnclosureStore.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// One unit as the request describes it, with the serial numbers of its
// place in the row; null with a message for an unknown preset, chip or link
// (bMadeNone: the preset or a chip was unknown).
std::shared_ptr<emu::CEmulatedEnclosure> MakeUnit(const EmulatorReset& reset, int nUnit,
                                                  bool& bMadeNone, std::string& strError) {
    auto pEnclosure =
        MakeEmulatedEnclosure(reset.strPreset, reset.strFlashChip, reset.strSpiChip, strError);
    bMadeNone = pEnclosure == nullptr;
    if (pEnclosure == nullptr) {
        return nullptr;
    }
    if (reset.link.has_value() && !AttachByLink(*pEnclosure, *reset.link, strError)) {
        return nullptr;
    }
    // Without the mark the program takes it for a real unit: what a test
    // of the refusal of test images needs.
    pEnclosure->SetEmulatedMark(!reset.bAsRealUnit);
    NumberEmulatedUnit(*pEnclosure, nUnit);
    return pEnclosure;
}

}  // namespace

EmulatorResetResult ResetEmulatedEnclosures(const EmulatorReset& reset) {
    EmulatorResetResult result;
    const std::optional<int> units = ParseUnitCount(reset.strUnits);
    if (!units) {
        result.outcome = ResetOutcome::BadUnitCount;
        return result;
    }
    result.nUnits = *units;
    const auto pFirst = MakeUnit(reset, 1, result.bUnknownPreset, result.strError);
    if (pFirst == nullptr) {
        result.outcome = ResetOutcome::NotMade;
        return result;
    }
    result.strLink = pFirst->Bus().pszName;
    // The units beyond the count go first, so that a directory is never
    // left with a row longer than asked for.
    bool bMadeNone = false;
    bool bSaved = RemoveEmulatedUnitsAbove(reset.strDirectory, *units, result.strError);
    for (int nUnit = 1; bSaved && nUnit <= *units; ++nUnit) {
        const auto pEnclosure =
            nUnit == 1 ? pFirst : MakeUnit(reset, nUnit, bMadeNone, result.strError);
        bSaved = pEnclosure != nullptr &&
                 emu::SaveEnclosure(*pEnclosure, EmulatedUnitDirectory(reset.strDirectory, nUnit),
                                    result.strError);
    }
    // Made from a preset, it is no twin of a unit any more.
    bSaved = bSaved && SaveTwinProvenance(reset.strDirectory, std::nullopt, result.strError);
    result.outcome = bSaved ? ResetOutcome::Done : ResetOutcome::SaveFailed;
    return result;
}

std::u16string EmulatorResetText(const EmulatorReset& reset, const EmulatorResetResult& result) {
    switch (result.outcome) {
        case ResetOutcome::BadUnitCount:
            return LoadResString(IDS_CLI_BAD_UNIT_COUNT) + Utf8ToUtf16(reset.strUnits) + u"\n";
        case ResetOutcome::NotMade:
        case ResetOutcome::SaveFailed: {
            std::u16string text =
                LoadResString(IDS_CLI_EMULATOR_ERROR) + Utf8ToUtf16(result.strError) + u"\n";
            if (result.bUnknownPreset) {
                for (const EmulatorPreset& preset : EmulatorPresets()) {
                    text += u"  " + Utf8ToUtf16(preset.pszName) + u"  " +
                            Utf8ToUtf16(preset.pszDescription) + u"\n";
                }
            }
            return text;
        }
        case ResetOutcome::Done: {
            std::u16string text = LoadResString(IDS_CLI_EMULATOR_RESET) +
                                  Utf8ToUtf16(reset.strPreset) + u", " +
                                  Utf8ToUtf16(result.strLink);
            if (result.nUnits > 1) {
                text += u", " + Utf8ToUtf16(std::to_string(result.nUnits)) +
                        LoadResString(IDS_CLI_UNITS_MADE);
            }
            return text + u" (" + Utf8ToUtf16(reset.strDirectory) + u")\n";
        }
    }
    return {};
}

}  // namespace rf
