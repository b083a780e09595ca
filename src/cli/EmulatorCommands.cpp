// "emulator reset" and "emulator show": the emulated enclosure made anew
// (from a preset, or as the twin of a backed-up unit) and shown as it is.

#include <filesystem>
#include <ostream>
#include <sstream>

#include "base/Clock.h"
#include "base/FilePath.h"
#include "base/Text.h"
#include "base/TextWidth.h"
#include "cli/Commands.h"
#include "cli/TwinCheck.h"
#include "emulation/EmulatedSession.h"
#include "emulation/EmulatedUnits.h"
#include "emulation/EmulatorReset.h"
#include "emulator/EnclosureStore.h"
#include "emulator/UiController.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

struct ModelledText {
    const char* pszKey;
    UINT nText;
};

constexpr ModelledText kModelledTexts[] = {
    {kModelledUiFirmware, IDS_TWIN_MODELLED_UI_FIRMWARE},
    {kModelledUiBlank, IDS_TWIN_MODELLED_UI_BLANK},
    {kModelledUiDebugger, IDS_TWIN_MODELLED_UI_DEBUGGER},
    {kModelledFlashChip, IDS_TWIN_MODELLED_FLASH_CHIP},
    {kModelledFlashRest, IDS_TWIN_MODELLED_FLASH_REST},
    {kModelledResource, IDS_TWIN_MODELLED_RESOURCE},
    {kModelledSpiChip, IDS_TWIN_MODELLED_SPI_CHIP},
    {kModelledLink, IDS_TWIN_MODELLED_LINK},
};

// A record written by a later version may name parts this one does not
// know: they are shown by their key rather than dropped.
std::u16string ModelledPart(const std::string& strKey) {
    for (const ModelledText& text : kModelledTexts) {
        if (strKey == text.pszKey) {
            return LoadResString(text.nText);
        }
    }
    return Utf8ToUtf16(strKey);
}

std::string KiB(std::uint32_t nBytes) {
    return std::to_string(nBytes / 1024) + " KiB";
}

int MakeTwin(const CliOptions& options, CommandStreams& streams) {
    const std::string strDirectory = options.emulateDirectory.value_or(DefaultEmulatorDirectory());
    const auto failed = [&](const std::string& strWhy) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_TWIN_FAILED)) << strWhy << '\n';
        return kExitNothing;
    };
    // A twin is what the unit was; chips, link and mark come from the backup.
    if (options.preset || options.flashChip || options.spiChip || options.link ||
        options.bAsRealUnit) {
        return failed(
            "--preset, --flash-chip, --spi-chip, --link and --as-real-unit do not go with "
            "--from-backup");
    }
    // The enclosure's files have the backup's names: kept in the backup's
    // own directory, the twin would overwrite the backup.
    std::error_code error;
    if (std::filesystem::equivalent(PathFromUtf8(strDirectory), PathFromUtf8(*options.fromBackup),
                                    error)) {
        return failed("the twin cannot be kept in the backup's own directory");
    }
    TwinProvenance provenance;
    std::string strError;
    const auto pTwin = MakeCheckedTwin(*options.fromBackup, provenance, strError);
    if (pTwin == nullptr) {
        return failed(strError);
    }
    // A twin is one unit: the others of a row made before go.
    if (!RemoveEmulatedUnitsAbove(strDirectory, 1, strError) ||
        !emu::SaveEnclosure(*pTwin, strDirectory, strError) ||
        !SaveTwinProvenance(strDirectory, provenance, strError)) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_ERROR)) << strError << '\n';
        return kExitFailure;
    }
    streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_TWIN_MADE)) << pTwin->Bus().pszName << " ("
                << strDirectory << ")\n";
    return kExitSuccess;
}

void Line(std::ostream& out, UINT nTitle, const std::string& strValue) {
    out << Utf16ToUtf8(LoadResString(nTitle)) << ": " << strValue << '\n';
}

int ShowEmulator(const CliOptions& options, CommandStreams& streams) {
    const std::string strDirectory = options.emulateDirectory.value_or(DefaultEmulatorDirectory());
    if (!emu::EnclosureExists(strDirectory)) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_SHOW_NO_ENCLOSURE)) << strDirectory
                    << '\n';
        return kExitNothing;
    }
    std::string strError;
    // The versions are read as the update reads them, on virtual time that
    // the enclosure starts up on as it is loaded.
    CVirtualClock clock;
    CScopedClock scopedClock(clock);
    // Shown, never saved: reading it must not change what is kept.
    std::shared_ptr<emu::CEmulatedEnclosure> pEnclosure =
        emu::LoadEnclosure(strDirectory, strError);
    if (pEnclosure == nullptr) {
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_EMULATOR_ERROR)) << strError << '\n';
        return kExitFailure;
    }
    std::ostream& out = streams.out;
    Line(out, IDS_CLI_SHOW_ENCLOSURE, strDirectory);
    Line(out, IDS_CLI_SHOW_IDENTITY,
         pEnclosure->Vendor() + " " + pEnclosure->Product() + " " + pEnclosure->Revision());
    Line(out, IDS_CLI_SHOW_MARK,
         Utf16ToUtf8(LoadResString(pEnclosure->HasEmulatedMark() ? IDS_CLI_YES : IDS_CLI_NO)));
    PrintLink(out, pEnclosure->Bus());
    Line(out, IDS_CLI_SHOW_FLASH_CHIP,
         std::string(pEnclosure->Flash().Model().pszName) + " (" +
             KiB(pEnclosure->Flash().Model().nSize) + ")");
    if (const emu::CEmulatedUiController* pUi = emu::FittedUiController(*pEnclosure)) {
        Line(out, IDS_CLI_SHOW_SPI_CHIP,
             std::string(pUi->SpiFlash().Model().pszName) + " (" +
                 KiB(pUi->SpiFlash().Model().nSize) + ")");
        const emu::UiProgramFlash& flash = pUi->ProgramFlash();
        const UINT nState = flash.bValid        ? IDS_CLI_SHOW_UI_VALID
                            : flash.bProgrammed ? IDS_CLI_SHOW_UI_PROGRAMMED
                                                : IDS_CLI_SHOW_UI_INCOMPLETE;
        Line(out, IDS_CLI_SHOW_UI,
             Utf16ToUtf8(LoadResString(nState) + (pUi->Settings().bDebuggerBuild
                                                      ? LoadResString(IDS_CLI_SHOW_UI_DEBUGGER)
                                                      : u"")));
    }

    {
        emu::CEmulatedDeviceSystem system;
        system.Attach(CEmulatedSession::kDrivePath, pEnclosure);
        CFirmwareUpdate update(system);
        std::ostringstream ignored;
        if (FindAndReadUnit(update, nullptr, ignored, CliOptions{})) {
            update.m_device.Close();
            Line(out, IDS_CLI_SERIAL, Utf16ToUtf8(update.m_romCpu.m_strSerialNo));
            Line(out, IDS_CLI_UI_SERIAL, Utf16ToUtf8(update.m_romUI78K.m_strUiSerialNo));
            const std::array<MemoryRow, 5> rows = MemoryRows(update);
            std::size_t nWidth = 0;
            for (const MemoryRow& row : rows) {
                nWidth = std::max(nWidth, DisplayWidth(LoadResString(row.nName)) + 2);
            }
            for (const MemoryRow& row : rows) {
                out << "  " << Utf16ToUtf8(PadToWidth(LoadResString(row.nName), nWidth))
                    << Utf16ToUtf8(row.rom.m_strDeviceVersion) << '\n';
            }
        } else {
            out << Utf16ToUtf8(LoadResString(IDS_CLI_NO_DEVICE)) << '\n';
        }
    }

    const std::optional<TwinProvenance> provenance = ReadTwinProvenance(strDirectory);
    if (!provenance) {
        out << Utf16ToUtf8(LoadResString(IDS_CLI_SHOW_PRESET)) << '\n';
        return kExitSuccess;
    }
    Line(out, IDS_CLI_SHOW_MADE_FROM, provenance->strBackup);
    out << Utf16ToUtf8(LoadResString(IDS_CLI_SHOW_MODELLED)) << '\n';
    for (const std::string& strPart : provenance->modelled) {
        out << "  " << Utf16ToUtf8(ModelledPart(strPart)) << '\n';
    }
    return kExitSuccess;
}

int ResetEmulator(const CliOptions& options, CommandStreams& streams) {
    EmulatorReset reset;
    reset.strDirectory = options.emulateDirectory.value_or(DefaultEmulatorDirectory());
    reset.strPreset = options.preset.value_or(kDefaultPreset);
    reset.strFlashChip = options.flashChip.value_or("");
    reset.strSpiChip = options.spiChip.value_or("");
    reset.link = options.link;
    reset.bAsRealUnit = options.bAsRealUnit;
    reset.strUnits = options.units.value_or("1");
    const EmulatorResetResult result = ResetEmulatedEnclosures(reset);
    const std::string strText = Utf16ToUtf8(EmulatorResetText(reset, result));
    switch (result.outcome) {
        case ResetOutcome::Done:
            streams.out << strText;
            return kExitSuccess;
        case ResetOutcome::SaveFailed:
            streams.err << strText;
            return kExitFailure;
        case ResetOutcome::BadUnitCount:
        case ResetOutcome::NotMade:
            streams.err << strText;
            return kExitNothing;
    }
    return kExitFailure;
}

}  // namespace

int RunEmulatorCommand(const CliOptions& options, CommandStreams& streams) {
    if (options.words[1] == u"show") {
        return ShowEmulator(options, streams);
    }
    if (options.fromBackup) {
        return MakeTwin(options, streams);
    }
    return ResetEmulator(options, streams);
}

}  // namespace rf
