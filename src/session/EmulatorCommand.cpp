#include "session/EmulatorCommand.h"

#include <memory>
#include <ostream>

#include "base/Text.h"
#include "emulator/EnclosureStore.h"
#include "session/CliOptions.h"
#include "session/EmulatedSession.h"
#include "session/EmulatedUnits.h"
#include "session/EmulatorPresets.h"
#include "session/ExitStatus.h"
#include "session/TwinFromBackup.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// One unit as the options describe it, with the serial numbers of its place
// in the row; null with a message for an unknown preset, chip or link
// (bMadeNone: the preset or a chip was unknown).
std::shared_ptr<emu::CEmulatedEnclosure> MakeUnit(const CliOptions& options,
                                                  const std::string& strPreset, int nUnit,
                                                  bool& bMadeNone, std::string& strError) {
    auto pEnclosure = MakeEmulatedEnclosure(strPreset, options.flashChip.value_or(""),
                                            options.spiChip.value_or(""), strError);
    bMadeNone = pEnclosure == nullptr;
    if (pEnclosure == nullptr) {
        return nullptr;
    }
    if (options.link.has_value() && !AttachByLink(*pEnclosure, *options.link, strError)) {
        return nullptr;
    }
    // Without the mark the program takes it for a real unit: what a test
    // of the refusal of test images needs.
    pEnclosure->SetEmulatedMark(!options.bAsRealUnit);
    NumberEmulatedUnit(*pEnclosure, nUnit);
    return pEnclosure;
}

}  // namespace

int ResetEmulator(const CliOptions& options, std::ostream& out, std::ostream& err) {
    const std::string strDirectory = options.emulateDirectory.value_or(DefaultEmulatorDirectory());
    const std::string strPreset = options.preset.value_or(kDefaultPreset);
    const std::optional<int> units = ParseUnitCount(options.units.value_or("1"));
    if (!units) {
        err << Utf16ToUtf8(LoadResString(IDS_CLI_BAD_UNIT_COUNT)) << *options.units << '\n';
        return kExitNothing;
    }
    std::string strError;
    bool bMadeNone = false;
    const auto pFirst = MakeUnit(options, strPreset, 1, bMadeNone, strError);
    if (pFirst == nullptr) {
        err << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_ERROR)) << strError << '\n';
        if (bMadeNone) {
            for (const EmulatorPreset& preset : EmulatorPresets()) {
                err << "  " << preset.pszName << "  " << preset.pszDescription << '\n';
            }
        }
        return kExitNothing;
    }
    // The units beyond the count go first, so that a directory is never
    // left with a row longer than asked for.
    bool bSaved = RemoveEmulatedUnitsAbove(strDirectory, *units, strError);
    for (int nUnit = 1; bSaved && nUnit <= *units; ++nUnit) {
        const auto pEnclosure =
            nUnit == 1 ? pFirst : MakeUnit(options, strPreset, nUnit, bMadeNone, strError);
        bSaved =
            emu::SaveEnclosure(*pEnclosure, EmulatedUnitDirectory(strDirectory, nUnit), strError);
    }
    // Made from a preset, it is no twin of a unit any more.
    bSaved = bSaved && SaveTwinProvenance(strDirectory, std::nullopt, strError);
    if (!bSaved) {
        err << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_ERROR)) << strError << '\n';
        return kExitFailure;
    }
    out << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_RESET)) << strPreset << ", "
        << pFirst->Bus().pszName;
    if (*units > 1) {
        out << ", " << *units << Utf16ToUtf8(LoadResString(IDS_CLI_UNITS_MADE));
    }
    out << " (" << strDirectory << ")\n";
    return kExitSuccess;
}

}  // namespace rf
