// "backup DIR": the unit read into a backup (see backup/UnitBackup.h); this
// file tells what was saved once the set is in place, or why none was.

#include <filesystem>
#include <ostream>
#include <string>

#include "backup/BackupSet.h"
#include "backup/UnitBackup.h"
#include "base/FilePath.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "device/BridgeCommands.h"
#include "device/FlashChips.h"
#include "programming/SpiFlash.h"
#include "programming/UiLink.h"
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
        streams.err << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_FAILED)) << strError << '\n';
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
        return kExitFailure;
    }
    for (const BackupNote& note : result.notes) {
        switch (note.kind) {
            case BackupNote::Saved:
                streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_SAVED))
                            << PathToUtf8(note.path) << '\n';
                break;
            case BackupNote::NoResource:
                streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_RESOURCE)) << '\n';
                break;
            case BackupNote::NoUiFlash:
                streams.out << Utf16ToUtf8(LoadResString(IDS_CLI_BACKUP_NO_UI_FLASH)) << '\n';
                break;
        }
    }
    return kExitSuccess;
}

}  // namespace rf
