// "backup DIR": the unit read into a backup (see backup/UnitBackup.h); this
// file tells what was saved once the set is in place, or why none was.

#include <filesystem>
#include <ostream>
#include <string>

#include "backup/BackupSet.h"
#include "backup/UnitBackup.h"
#include "base/FilePath.h"
#include "base/Json.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/JsonValues.h"
#include "device/BridgeCommands.h"
#include "device/FlashChips.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"

namespace rf {

int RunBackup(CFirmwareUpdate& update, const CliOptions& options, const std::string& strDirectory,
              CommandStreams& streams) {
    const std::filesystem::path directory = PathFromUtf8(strDirectory);
    // The directory is checked before the unit is looked for: a backup
    // that could not be put in place is not read.
    CBackupSet set(directory, BackupFileNames(nullptr));
    std::string strError;
    if (!set.Begin(strError)) {
        PrintMessage(streams.err, IDS_CLI_BACKUP_FAILED, Utf8ToUtf16(strError));
        return kExitNothing;
    }
    update.RefreshImages();
    if (!FindAndReadUnit(update, nullptr, streams.err, options)) {
        return kExitNothing;
    }
    const UnitReading unit = {update.m_device, update.m_romFlash, update.m_romHost,
                              update.m_romCpu, update.m_romUI78K, update.m_romUIRSC};
    const UnitBackupResult result = ReadUnitIntoBackup(unit, set, directory);
    if (!result.bDone) {
        std::u16string text = LoadResString(IDS_CLI_BACKUP_FAILED);
        if (result.nMemory != 0) {
            const std::u16string why = result.readFault ? DescribeReadFault(*result.readFault)
                                                        : Utf8ToUtf16(result.strError);
            text += LoadResString(result.nMemory) + u" (" + Widen(result.pszFile) + u")" +
                    (why.empty() ? u"" : u": " + why);
        } else {
            text += Utf8ToUtf16(result.strError);
        }
        streams.err << Utf16ToUtf8(text) << '\n';
        NoteMessage(streams.err, IDS_CLI_BACKUP_FAILED, text);
        return kExitFailure;
    }
    CJson files = CJson::array();
    CJson notes = CJson::array();
    for (const BackupNote& note : result.notes) {
        switch (note.kind) {
            case BackupNote::Saved:
                files.push_back(PathToUtf8(note.path));
                streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_SAVED))
                            << PathToUtf8(note.path) << '\n';
                break;
            case BackupNote::NoResource:
                notes.push_back("no_resource");
                streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_RESOURCE)) << '\n';
                break;
            case BackupNote::NoUiFlash:
                notes.push_back("no_ui_flash");
                streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_UI_FLASH)) << '\n';
                break;
        }
    }
    if (options.bJson) {
        CJson json = ResultDocument(kExitSuccess, 0, u"");
        json["directory"] = strDirectory;
        json["serial"] = TextOrNull(update.m_romCpu.m_strSerialNo);
        json["files"] = std::move(files);
        json["notes"] = std::move(notes);
        PrintDocument(streams, json);
    }
    return kExitSuccess;
}

}  // namespace rf
