// "emulator reset" and "emulator show": the emulated enclosure made anew
// (from a preset, or as the twin of a backed-up unit) and shown as it is.

#include <filesystem>
#include <functional>
#include <ostream>
#include <sstream>

#include "base/Clock.h"
#include "base/FilePath.h"
#include "base/Text.h"
#include "base/TextWidth.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/JsonValues.h"
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
        PrintMessage(streams.err, IDS_CLI_TWIN_FAILED, Utf8ToUtf16(strWhy));
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
        PrintMessage(streams.err, IDS_CLI_EMULATOR_ERROR, Utf8ToUtf16(strError));
        return kExitFailure;
    }
    streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_TWIN_MADE)) << pTwin->Bus().pszName << " ("
                << strDirectory << ")\n";
    if (options.bJson) {
        CJson json = ResultDocument(kExitSuccess, 0, u"");
        json["directory"] = strDirectory;
        json["units"] = 1;
        json["link"] = pTwin->Bus().pszName;
        json["made_from"] = *options.fromBackup;
        PrintDocument(streams, json);
    }
    return kExitSuccess;
}

void Line(std::ostream& out, UINT nTitle, const std::string& strValue) {
    out << Utf16ToUtf8(LoadResString(nTitle)) << ": " << strValue << '\n';
}

// The unit's memories as the update reads them; false when it finds none.
bool ReadEmulatedUnit(const std::shared_ptr<emu::CEmulatedEnclosure>& pEnclosure,
                      const std::function<void(CFirmwareUpdate&)>& use) {
    emu::CEmulatedDeviceSystem system;
    system.Attach(CEmulatedSession::kDrivePath, pEnclosure);
    CFirmwareUpdate update(system);
    std::ostringstream ignored;
    if (!FindAndReadUnit(update, nullptr, ignored, CliOptions{})) {
        return false;
    }
    update.m_device.Close();
    use(update);
    return true;
}

CJson ChipJson(const char* pszName, std::uint32_t nSize) {
    return {{"name", pszName}, {"size", nSize}};
}

CJson EmulatorJson(const std::string& strDirectory,
                   const std::shared_ptr<emu::CEmulatedEnclosure>& pEnclosure) {
    CJson json = CJson::object();
    json["directory"] = strDirectory;
    json["identity"] = {{"vendor", OneSpaced(pEnclosure->Vendor())},
                        {"product", OneSpaced(pEnclosure->Product())},
                        {"revision", OneSpaced(pEnclosure->Revision())}};
    json["emulated_mark"] = pEnclosure->HasEmulatedMark();
    json["link"] = pEnclosure->Bus().pszName;
    json["flash_chip"] =
        ChipJson(pEnclosure->Flash().Model().pszName, pEnclosure->Flash().Model().nSize);
    json["spi_chip"] = nullptr;
    json["ui"] = nullptr;
    if (const emu::CEmulatedUiController* pUi = emu::FittedUiController(*pEnclosure)) {
        json["spi_chip"] = ChipJson(pUi->SpiFlash().Model().pszName, pUi->SpiFlash().Model().nSize);
        const emu::UiProgramFlash& flash = pUi->ProgramFlash();
        json["ui"] = {{"state", flash.bValid        ? "valid"
                                : flash.bProgrammed ? "programmed"
                                                    : "incomplete"},
                      {"debugger", pUi->Settings().bDebuggerBuild}};
    }
    json["device"] = nullptr;
    json["memories"] = CJson::array();
    ReadEmulatedUnit(pEnclosure, [&json](CFirmwareUpdate& update) {
        json["device"] = {{"serial", TextOrNull(update.m_romCpu.m_strSerialNo)},
                          {"ui_serial", TextOrNull(update.m_romUI78K.m_strUiSerialNo)}};
        for (const MemoryRow& row : MemoryRows(update)) {
            CJson& memory = json["memories"].emplace_back(CJson::object());
            memory["memory"] = row.pszKey;
            WriteDeviceVersion(row.rom, memory);
        }
    });
    const std::optional<TwinProvenance> provenance = ReadTwinProvenance(strDirectory);
    json["made_from"] = provenance ? CJson(provenance->strBackup) : CJson(nullptr);
    json["modelled"] = provenance ? CJson(provenance->modelled) : CJson::array();
    return json;
}

int ShowEmulator(const CliOptions& options, CommandStreams& streams) {
    const std::string strDirectory = options.emulateDirectory.value_or(DefaultEmulatorDirectory());
    if (!emu::EnclosureExists(strDirectory)) {
        PrintMessage(streams.err, IDS_CLI_SHOW_NO_ENCLOSURE, Utf8ToUtf16(strDirectory));
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
        PrintMessage(streams.err, IDS_CLI_EMULATOR_ERROR, Utf8ToUtf16(strError));
        return kExitFailure;
    }
    if (options.bJson) {
        PrintDocument(streams, EmulatorJson(strDirectory, pEnclosure));
        return kExitSuccess;
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

    const bool bRead = ReadEmulatedUnit(pEnclosure, [&out](CFirmwareUpdate& update) {
        Line(out, IDS_CLI_SERIAL, Utf16ToUtf8(update.m_romCpu.m_strSerialNo));
        Line(out, IDS_CLI_UI_SERIAL, Utf16ToUtf8(update.m_romUI78K.m_strUiSerialNo));
        std::size_t nWidth = 0;
        for (const MemoryRow& row : MemoryRows(update)) {
            nWidth = std::max(nWidth, DisplayWidth(LoadResString(row.nName)) + 2);
        }
        for (const MemoryRow& row : MemoryRows(update)) {
            out << "  " << Utf16ToUtf8(PadToWidth(LoadResString(row.nName), nWidth))
                << Utf16ToUtf8(row.rom.m_strDeviceVersion) << '\n';
        }
    });
    if (!bRead) {
        out << Utf16ToUtf8(LoadResString(IDS_CLI_NO_DEVICE)) << '\n';
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
            if (options.bJson) {
                CJson json = ResultDocument(kExitSuccess, 0, u"");
                json["directory"] = reset.strDirectory;
                json["units"] = result.nUnits;
                json["link"] = result.strLink;
                json["preset"] = reset.strPreset;
                PrintDocument(streams, json);
            }
            return kExitSuccess;
        case ResetOutcome::SaveFailed:
            streams.err << strText;
            NoteMessage(streams.err, IDS_CLI_EMULATOR_ERROR,
                        Utf8ToUtf16(strText.substr(0, strText.find('\n'))));
            return kExitFailure;
        case ResetOutcome::BadUnitCount:
        case ResetOutcome::NotMade:
            streams.err << strText;
            NoteMessage(streams.err,
                        result.outcome == ResetOutcome::NotMade ? IDS_CLI_EMULATOR_ERROR
                                                                : IDS_CLI_BAD_UNIT_COUNT,
                        Utf8ToUtf16(strText.substr(0, strText.find('\n'))));
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
