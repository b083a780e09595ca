#include "session/EmulatorCommand.h"

#include <ostream>

#include "app/StringTable.h"
#include "app/Text.h"
#include "emulator/EnclosureStore.h"
#include "session/CliOptions.h"
#include "session/EmulatedSession.h"
#include "session/EmulatorPresets.h"
#include "session/ExitStatus.h"
#include "session/TwinFromBackup.h"

namespace rf {

int ResetEmulator(const CliOptions& options, std::ostream& out, std::ostream& err) {
    const std::string strDirectory = options.emulateDirectory.value_or(DefaultEmulatorDirectory());
    const std::string strPreset = options.preset.value_or(kDefaultPreset);
    std::string strError;
    const auto pEnclosure = MakeEmulatedEnclosure(strPreset, options.flashChip.value_or(""),
                                                  options.spiChip.value_or(""), strError);
    if (pEnclosure == nullptr) {
        err << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_ERROR)) << strError << '\n';
        for (const EmulatorPreset& preset : EmulatorPresets()) {
            err << "  " << preset.pszName << "  " << preset.pszDescription << '\n';
        }
        return kExitNothing;
    }
    if (options.link.has_value() && !AttachByLink(*pEnclosure, *options.link, strError)) {
        err << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_ERROR)) << strError << '\n';
        return kExitNothing;
    }
    // Without the mark the program takes it for a real unit: what a test
    // of the refusal of test images needs.
    pEnclosure->SetEmulatedMark(!options.bAsRealUnit);
    // Made from a preset, it is no twin of a unit any more.
    if (!emu::SaveEnclosure(*pEnclosure, strDirectory, strError) ||
        !SaveTwinProvenance(strDirectory, std::nullopt, strError)) {
        err << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_ERROR)) << strError << '\n';
        return kExitFailure;
    }
    out << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_RESET)) << strPreset << ", "
        << pEnclosure->Bus().pszName << " (" << strDirectory << ")\n";
    return kExitSuccess;
}

}  // namespace rf
