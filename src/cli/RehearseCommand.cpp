// "update --rehearse": the update run first on a twin of the unit. The unit
// is only ever read, through the backup; the update itself runs against a
// device system that holds nothing but the twin, so no command of it can
// reach the unit whatever the update does.

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <sstream>

#include "base/Clock.h"
#include "base/FilePath.h"
#include "base/Json.h"
#include "base/Text.h"
#include "base/TextWidth.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/TempDirectory.h"
#include "cli/TwinCheck.h"
#include "device/FlashRomCheck.h"
#include "emulation/EmulatedSession.h"
#include "emulator/EnclosureStore.h"
#include "emulator/UiController.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

// Bytes a memory keeps of its own whatever the image holds there.
using KeptByUnit = bool (*)(std::size_t nOffset);

// The front panel's information block, which the update writes back into
// the UI firmware it programs so that the unit keeps its name.
bool IsInfoBlock(std::size_t nOffset) {
    constexpr std::size_t kInfoBlockOffset = 0xA0;
    constexpr std::size_t kInfoBlockLength = 16;
    return nOffset >= kInfoBlockOffset && nOffset < kInfoBlockOffset + kInfoBlockLength;
}

bool IsBridgeOwnByte(std::size_t nOffset) {
    return IsToleratedFlashOffset(static_cast<DWORD>(nOffset));
}

bool NothingKept(std::size_t /*nOffset*/) {
    return false;
}

KeptByUnit KeptBy(MemoryKind kind) {
    switch (kind) {
        case MemoryKind::Flash:
            return IsBridgeOwnByte;
        case MemoryKind::Ui:
            return IsInfoBlock;
        case MemoryKind::Host:
        case MemoryKind::Cpu:
        case MemoryKind::Resource:
            return NothingKept;
    }
    return NothingKept;
}

enum class Outcome { HoldsImage, NotWritten, Differs };

struct MemoryOutcome {
    const char* pszKey;
    UINT nName;
    Outcome outcome;
    std::size_t nOffset;  // the first byte that differs, for Differs
};

// What the twin's memories an update writes hold, by memory.
struct TwinContents {
    std::array<std::vector<BYTE>, kMemoryCount> memories;
    const std::vector<BYTE>& operator[](MemoryKind kind) const {
        return memories[static_cast<std::size_t>(kind)];
    }
};

TwinContents ContentsOf(emu::CEmulatedEnclosure& twin) {
    TwinContents contents;
    contents.memories[static_cast<std::size_t>(MemoryKind::Flash)] = twin.Flash().Contents();
    contents.memories[static_cast<std::size_t>(MemoryKind::Host)] = twin.HostEeprom();
    if (const emu::CEmulatedUiController* pUi = emu::FittedUiController(twin)) {
        contents.memories[static_cast<std::size_t>(MemoryKind::Ui)] = pUi->ProgramFlash().contents;
        contents.memories[static_cast<std::size_t>(MemoryKind::Resource)] =
            pUi->SpiFlash().Contents();
    }
    return contents;
}

// The first offset at which the memory does not hold the image, the bytes
// the unit keeps aside; nullopt when it holds it.
std::optional<std::size_t> FirstDifference(const std::vector<BYTE>& memory, const CRomObject& rom,
                                           KeptByUnit kept) {
    const std::size_t nLength = rom.m_nDataSize;
    if (memory.size() < nLength) {
        return memory.size();
    }
    for (std::size_t i = 0; i < nLength; ++i) {
        if (!kept(i) && memory[i] != rom.m_pData[i]) {
            return i;
        }
    }
    return std::nullopt;
}

MemoryOutcome Compare(const char* pszKey, UINT nName, const std::vector<BYTE>& before,
                      const std::vector<BYTE>& after, const CRomObject& rom, KeptByUnit kept) {
    if (rom.IsLoaded()) {
        const std::optional<std::size_t> difference = FirstDifference(after, rom, kept);
        if (!difference) {
            return {pszKey, nName, Outcome::HoldsImage, 0};
        }
        if (before != after) {
            return {pszKey, nName, Outcome::Differs, *difference};
        }
    }
    return {pszKey, nName, Outcome::NotWritten, 0};
}

std::u16string OutcomeText(const MemoryOutcome& memory) {
    switch (memory.outcome) {
        case Outcome::HoldsImage:
            return LoadResString(IDS_CLI_REHEARSAL_MATCHES);
        case Outcome::NotWritten:
            return LoadResString(IDS_CLI_REHEARSAL_NOT_WRITTEN);
        case Outcome::Differs: {
            return LoadResString(IDS_CLI_REHEARSAL_DIFFERS) + u"0x" + Hex(memory.nOffset, 5);
        }
    }
    return {};
}

const char* OutcomeKey(Outcome outcome) {
    switch (outcome) {
        case Outcome::HoldsImage:
            return "holds_image";
        case Outcome::NotWritten:
            return "not_written";
        case Outcome::Differs:
            return "differs";
    }
    return "";
}

int Impossible(CommandStreams& streams, const std::string& strWhy) {
    streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_REHEARSAL_IMPOSSIBLE)) << strWhy << '\n';
    return kExitNothing;
}

}  // namespace

int RehearseUpdate(CFirmwareUpdate& unitUpdate, const CliOptions& options, CommandStreams& streams,
                   bool bTerminal) {
    std::string strError;
    std::optional<CTempDirectory> work = CTempDirectory::Make("reflasher-rehearsal-", strError);
    if (!work) {
        return Impossible(streams, strError);
    }
    const std::string strBackup = PathToUtf8(work->Path() / "backup");
    const std::string strTwin = PathToUtf8(work->Path() / "twin");

    // The one contact with the unit: the backup, which only reads.
    streams.log << Utf16ToUtf8(LoadResString(IDS_CLI_REHEARSAL_BACKUP)) << '\n';
    std::ostringstream backupLines;
    CommandStreams backupStreams{backupLines, streams.err, streams.log};
    if (const int nBackup = RunBackup(unitUpdate, options, strBackup, backupStreams);
        nBackup != kExitSuccess) {
        return nBackup;
    }
    TwinProvenance provenance;
    const auto pMade = MakeCheckedTwin(strBackup, provenance, strError);
    if (pMade == nullptr || !emu::SaveEnclosure(*pMade, strTwin, strError) ||
        !SaveTwinProvenance(strTwin, provenance, strError)) {
        return Impossible(streams, strError);
    }

    int nExit = kExitNothing;
    std::vector<MemoryOutcome> outcomes;
    std::uint64_t nDeviceMicroseconds = 0;
    UINT nMessage = 0;
    {
        // The twin runs on virtual time, whatever clock the unit was read on.
        CVirtualClock clock;
        CScopedClock scopedClock(clock);
        std::unique_ptr<CEmulatedSession> session = CEmulatedSession::Open(strTwin, strError);
        if (session == nullptr) {
            return Impossible(streams, strError);
        }
        emu::CEmulatedEnclosure& twin = session->Enclosure();
        const TwinContents before = ContentsOf(twin);
        streams.log << Utf16ToUtf8(LoadResString(IDS_CLI_REHEARSAL_TWIN)) << '\n';
        // The twin carries the unit's serial number: with the user's journal
        // it would take the unit's waiting entry and remove it. It keeps a
        // journal of its own in the rehearsal's directory, which starts with
        // a copy of that entry, and no state.
        UpdateOptions twinOptions = unitUpdate.Options();
        twinOptions.journalDirectory = work->Path() / "journal";
        twinOptions.stateDirectory.clear();
        CFirmwareUpdate twinUpdate(session->System(), twinOptions);
        if (!CopyKeptEntry(unitUpdate.Journal(), unitUpdate.m_romCpu, twinUpdate.Journal(),
                           unitUpdate.m_romCpu)) {
            return Impossible(streams, PathToUtf8(twinOptions.journalDirectory));
        }
        // The report is the rehearsal's own; the update's lines go to the log.
        CliOptions twinCommand = options;
        twinCommand.bJson = false;
        // The twin is the only drive of its session, under a drive name of
        // its own: the unit's drive name would find nothing there.
        twinCommand.device.reset();
        CommandStreams twinStreams{streams.log, streams.err, streams.log};
        const std::uint64_t nStart = clock.NowMicroseconds();
        nExit = RunUpdateCommand(twinUpdate, twinCommand, twinStreams, bTerminal && !options.bJson,
                                 &nMessage);
        nDeviceMicroseconds = clock.NowMicroseconds() - nStart;

        const TwinContents after = ContentsOf(twin);
        for (const MemoryKindInfo& memory : Memories()) {
            if (HasImage(memory)) {
                outcomes.push_back(Compare(memory.pszKey, memory.nNameId, before[memory.kind],
                                           after[memory.kind], twinUpdate.RomOf(memory.kind),
                                           KeptBy(memory.kind)));
            }
        }
    }

    const std::u16string strMessage = nMessage == 0 ? std::u16string() : LoadResString(nMessage);
    if (options.bJson) {
        CJson memories = CJson::array();
        for (const MemoryOutcome& memory : outcomes) {
            CJson& entry = memories.emplace_back(CJson::object());
            entry["memory"] = memory.pszKey;
            entry["state"] = OutcomeKey(memory.outcome);
            if (memory.outcome == Outcome::Differs) {
                entry["offset"] = memory.nOffset;
            }
        }
        CJson json = ResultDocument(nExit, nMessage, strMessage);
        json["rehearsal"] = true;
        json["total_ms"] = nDeviceMicroseconds / 1000;
        json["memories"] = std::move(memories);
        PrintDocument(streams, json);
    } else {
        std::ostream& out = streams.out;
        out << Utf16ToUtf8(LoadResString(IDS_CLI_REHEARSAL_RESULT)) << ": "
            << Utf16ToUtf8(strMessage) << '\n';
        out << Utf16ToUtf8(LoadResString(IDS_CLI_REHEARSAL_DURATION)) << ": "
            << nDeviceMicroseconds / 1000 << " ms\n";
        std::size_t nWidth = 0;
        for (const MemoryOutcome& memory : outcomes) {
            nWidth = std::max(nWidth, DisplayWidth(LoadResString(memory.nName)) + 2);
        }
        for (const MemoryOutcome& memory : outcomes) {
            out << "  " << Utf16ToUtf8(PadToWidth(LoadResString(memory.nName), nWidth))
                << Utf16ToUtf8(OutcomeText(memory)) << '\n';
        }
        out << Utf16ToUtf8(LoadResString(IDS_CLI_REHEARSAL_UNIT_UNTOUCHED)) << '\n';
    }
    return nExit;
}

}  // namespace rf
