#include "app/StringTable.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace rf {

namespace {

// Texts exactly as they stand; "\n" is a line break.
constexpr std::array kStrings = std::to_array<StringEntry>({
    {133, u" Searching device ...", u" デバイスを検索しています..."},
    {134, u"Firmware Version", u"ファームウェア バージョン"},
    {136, u"Firmware #2 Version", u"ファームウェア#2 バージョン"},
    {137, u"Firmware #3 Version", u"ファームウェア#3 バージョン"},
    {138, u"*", u"*"},
    {139, u"Unreadable", u"読取不可"},
    {140, u"Complete to update firmware.", u"ファームウェアを正常に更新できました"},
    {141, u"Updating firmware(FLASH-ROM)...", u"ファームウェア(FLASH-ROM)を更新しています..."},
    {142, u"Updating firmware(SEEPROM - Host)...",
     u"ファームウェア(SEEPROM - Host)を更新しています..."},
    {143, u"Checking firmware(SEEPROM - Host)...",
     u"ファームウェア(SEEPROM - Host)を照合しています..."},
    {146, u"Updating firmware(SPIROM - UI)...", u"ファームウェア(SPIROM - UI)を更新しています..."},
    {147, u"Checking firmware(SPIROM - UI)...", u"ファームウェア(SPIROM - UI)を照合しています..."},
    {148, u"Updating firmware(FLASH-ROM - UI)...",
     u"ファームウェア(FLASH-ROM - UI)を更新しています..."},
    {149, u"Checking firmware(FLASH-ROM - UI)...",
     u"ファームウェア(FLASH-ROM - UI)を照合しています..."},
    {150, u"Firmware #4 Version", u"ファームウェア#4 バージョン"},
    {153, u"It is not necessary to update this firmware.\n\nOverwrite the firmware?",
     u"このバージョンは更新する必要はありません\n\nファームウェアを上書きしますか？"},
    {154, u"Unknown", u"不明"},
    {155, u"Complete to update firmware.\n\nPlease disconnect the power supply cable once.",
     u"ファームウェアを正常に更新できました\n\n一旦、電源ケーブルを抜いてください"},
    {900, u"Can not get version informations.", u"バージョン情報が取得できませんでした"},
    {901, u"Invalid ROM contents", u"ROMの内容が不正です"},
    {902, u"Read file error.", u"読み込みエラー"},
    {903, u"Write error on EEPROM", u"EEPROM書き込みエラー"},
    {904, u"Read error on EEPROM", u"EEPROM読み込みエラー"},
    {905, u"Write error on FLASH-ROM(VirA)", u"FLASH-ROM書き込みエラー(VirA)"},
    {907, u"Drive is using.\nAborted updating firmware.",
     u"ドライブが使用中です。\n\nファームウェアの更新を中止しました。"},
    {908, u"Write error on SPIROM", u"SPIROM書き込みエラー"},
    {909, u"Unknown SPI-FLASH-ROM", u"不明なSPI-FLASH-ROMです"},
    {910, u"Write error on FLASH-ROM in UI.", u"FLASH-ROM書き込みエラー(UI)"},
    {911, u"Setting error for Resource data.", u"リソースデータ更新モードに設定できませんでした。"},
    {912, u"Setting error for firmware(FLASH-ROM - UI).",
     u"ファームウェア(FLASH-ROM - UI)更新モードに設定できませんでした。"},

    {IDS_CLI_USAGE,
     u"Usage: reflasher-cli [--version] [--help] COMMAND [OPTIONS]\n"
     u"\n"
     u"Commands:\n"
     u"  list        list the disk drives and whether each is a supported enclosure\n"
     u"\n"
     u"Options:\n"
     u"  --emulate[=DIR]  use the emulated enclosure kept in DIR instead of the computer's drives\n"
     u"\n"
     u"Options of the updater may be given with \"/\" or \"-\" (for example /AutoUpdate).",
     u"使い方: reflasher-cli [--version] [--help] コマンド [オプション]\n"
     u"\n"
     u"コマンド:\n"
     u"  list        ディスクドライブと、対応する筐体かどうかを表示します\n"
     u"\n"
     u"オプション:\n"
     u"  --emulate[=DIR]  コンピューターのドライブの代わりに、DIR に保存された模擬筐体を使います\n"
     u"\n"
     u"アップデーターのオプションは \"/\" または \"-\" を付けて指定できます (例: /AutoUpdate)。"},
    {IDS_CLI_NO_DRIVES, u"No SCSI disk drives were found on this computer.",
     u"このコンピューターにSCSIディスクドライブが見つかりませんでした。"},
    {IDS_CLI_DRIVES_HEADER, u"Disk drives:", u"ディスクドライブ:"},
    {IDS_CLI_UNKNOWN_OPTION, u"Unknown option: ", u"不明なオプションです: "},
    {IDS_CLI_UNKNOWN_COMMAND, u"Unknown command: ", u"不明なコマンドです: "},
    {IDS_CLI_DRIVE_SUPPORTED, u"supported", u"対応"},
    {IDS_CLI_DRIVE_NOT_SUPPORTED, u"not supported", u"非対応"},
    {IDS_CLI_DRIVE_NOT_OPENED, u"cannot be opened (run as root, or install the udev rule)",
     u"開けません (root で実行するか、udev ルールをインストールしてください)"},
    {IDS_CLI_DRIVE_ATA, u"not supported (ATA drive)", u"非対応 (ATA ドライブ)"},
    {IDS_CLI_DRIVE_OTHER_BRAND, u"supported (other brand)", u"対応 (他社ブランド)"},
    {IDS_CLI_EMULATOR_ERROR, u"The emulated enclosure cannot be used: ",
     u"模擬筐体を使用できません: "},
    {IDS_CLI_OPTION_NEEDS_VALUE, u"This option needs a value: ",
     u"このオプションには値が必要です: "},
});

Language g_language = Language::English;

}  // namespace

std::span<const StringEntry> StringTable() {
    return kStrings;
}

const char16_t* FindString(UINT nId, Language language) {
    for (const StringEntry& entry : kStrings) {
        if (entry.nId == nId) {
            return language == Language::Japanese ? entry.pszJapanese : entry.pszEnglish;
        }
    }
    return nullptr;
}

Language DetectLanguage(const std::function<const char*(const char*)>& getEnv) {
    for (const char* pszName : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* pszValue = getEnv(pszName);
        if (pszValue == nullptr || *pszValue == '\0') {
            continue;
        }
        return std::string_view(pszValue).starts_with("ja") ? Language::Japanese
                                                            : Language::English;
    }
    return Language::English;
}

Language DetectLanguageFromEnvironment() {
    return DetectLanguage([](const char* pszName) { return std::getenv(pszName); });
}

Language CurrentLanguage() {
    return g_language;
}

void SetCurrentLanguage(Language language) {
    g_language = language;
}

bool LoadResString(std::u16string& target, UINT nId) {
    const char16_t* pszText = FindString(nId, g_language);
    if (pszText == nullptr) {
        return false;
    }
    target = pszText;
    return true;
}

std::u16string LoadResString(UINT nId) {
    std::u16string text;
    LoadResString(text, nId);
    return text;
}

}  // namespace rf
