#include "text/StringTable.h"

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
    {IDS_ERR_FLASH_LINK_TOO_SLOW,
     u"The FLASH-ROM of this enclosure cannot be written over this connection: its chip "
     u"takes each page only from a fast link.\nNothing was written.\n\nConnect the enclosure "
     u"to a USB 2.0 port of the computer (not through a hub) or by IEEE 1394, and update "
     u"again.",
     u"この接続ではこの筐体のFLASH-ROMに書き込めません (このチップは高速な接続でしかページを"
     u"受け付けません)。\n何も書き込んでいません。\n\n筐体をコンピューターのUSB 2.0ポート "
     u"(ハブを介さずに) またはIEEE 1394で接続して、もう一度更新してください。"},
    {IDS_ERR_FLASH_IMAGE_TOO_LARGE,
     u"The firmware image is larger than the FLASH-ROM of this enclosure.\nNothing was written.",
     u"ファームウェアイメージがこの筐体のFLASH-ROMより大きいため書き込めません。\n"
     u"何も書き込んでいません。"},
    {IDS_ERR_KEEP_UNIT_DATA,
     u"The unit's own name could not be saved on this computer before it is erased.\n"
     u"Aborted updating firmware.",
     u"消去の前に、本体固有の名前をこのコンピューターに保存できませんでした。\n\n"
     u"ファームウェアの更新を中止しました。"},
    {IDS_ERR_DIRECTORY_NOT_WRITABLE,
     u"The update has to write to a directory that cannot be written.\nNothing was written.",
     u"更新で書き込む必要があるディレクトリに書き込めません。\n何も書き込んでいません。"},
    {IDS_ERR_UNIT_NAME_NOT_READ,
     u"The unit's name (the front panel's information block) could not be read, and writing "
     u"the front panel's firmware would erase it.\nNothing was written.\n\nConnect the "
     u"enclosure again and update once more.",
     u"本体の名前 (フロントパネルの情報ブロック) を読み取れませんでした。フロントパネルの"
     u"ファームウェアを書き込むと名前が消えてしまいます。\n何も書き込んでいません。\n\n"
     u"筐体を接続し直して、もう一度更新してください。"},
    {IDS_ERR_UNIT_NAME_NOT_KEPT,
     u"The front panel holds no firmware, so the unit's name cannot be read from it, and no "
     u"copy of the name is kept for this unit in this user's journal.\nNothing was "
     u"written.\n\nIf an update of this unit was interrupted, update again as the user who "
     u"ran it, on the computer it ran on: its copy of the name is written back. If the front "
     u"panel never had a name, update with the option /IgnoreMissingUnitName to write its "
     u"firmware with an empty name.",
     u"フロントパネルにファームウェアがないため本体の名前を読み取れず、このユーザーの"
     u"ジャーナルにもこの本体の名前の控えがありません。\n何も書き込んでいません。\n\n"
     u"この本体の更新が中断されたのであれば、その更新を実行したユーザーで、同じコンピューター"
     u"からもう一度更新してください。控えておいた名前が書き戻されます。フロントパネルに名前が"
     u"もともとなかった場合は、オプション /IgnoreMissingUnitName を付けて更新すると、名前を"
     u"空にしてファームウェアを書き込みます。"},
    {IDS_ERR_IMAGE_NOT_VALID,
     u"An image selected for writing is not an image of its memory.\nNothing was written.",
     u"書き込むように選択されたイメージが、そのメモリのイメージではありません。\n"
     u"何も書き込んでいません。"},
    {IDS_ERR_IMAGE_TOO_LARGE,
     u"An image selected for writing is larger than its memory and was not written.",
     u"書き込むように選択されたイメージがメモリより大きいため、書き込みませんでした。"},
    {IDS_IMAGE_TOO_SHORT, u"the file is too short to hold the format's header",
     u"ファイルが短すぎて形式のヘッダーを含んでいません"},
    {IDS_IMAGE_NO_MARK, u"the format's mark is missing: ", u"形式のマークがありません: "},
    {IDS_IMAGE_BAD_CHECKSUM, u"the header's checksum is wrong",
     u"ヘッダーのチェックサムが正しくありません"},
    {IDS_IMAGE_SIZE, u"%1 bytes; the memory holds %2", u"%1 バイト (メモリの容量は %2 バイト)"},
    {IDS_ERR_UNIT_GONE,
     u"The enclosure went away during the update (it was disconnected or lost its power). "
     u"The update stopped; no other drive was written.\n\nConnect the enclosure again and "
     u"update once more: a memory left incomplete is recognised and written again.",
     u"更新中に筐体が見えなくなりました (接続が外れたか、電源が切れました)。"
     u"更新を中止しました。ほかのドライブには書き込んでいません。\n\n"
     u"筐体を接続し直して、もう一度更新してください。書き込みが途中のメモリは認識され、"
     u"書き込み直されます。"},

    {IDS_ERR_TEST_IMAGES_ON_REAL_UNIT,
     u"The firmware images selected are test images, made for the emulated enclosure only. They "
     u"are "
     u"never written to a real enclosure.\nNothing was written.\n\nLoad the maker's firmware "
     u"package "
     u"(reflasher-cli --firmware PATH, or /Firmware=PATH, or drop the package file on this "
     u"window), then "
     u"update again.",
     u"選択されたファームウェアイメージは模擬筐体専用のテストイメージです。実際の筐体には書き込みま"
     u"せん。\n"
     u"何も書き込んでいません。\n\nメーカーのファームウェアパッケージを読み込んでから "
     u"(reflasher-cli "
     u"--firmware "
     u"パス、/"
     u"Firmware=パス、またはこのウィンドウへのパッケージファイルのドロップ)"
     u"、もう一度更新してください。"},
    {IDS_TEST_IMAGES_TITLE,
     u" - test images: load the maker's firmware package to update this enclosure",
     u" - テストイメージ: "
     u"この筐体を更新するにはメーカーのファームウェアパッケージを読み込んでください"},
    {IDS_TEST_IMAGES_NOTICE,
     u"This program carries test images, made for the emulated enclosure only, and will not write "
     u"them "
     u"to this enclosure.\n\nTo update it, load the maker's firmware package: start with "
     u"/Firmware=PATH, or drop the package file on this window.",
     u"このプログラムが同梱しているのは模擬筐体専用のテストイメージで、この筐体には書き込みません。"
     u"\n\n"
     u"更新するには、メーカーのファームウェアパッケージを読み込んでください: /Firmware=パス "
     u"で起動するか、"
     u"パッケージファイルをこのウィンドウにドロップしてください。"},
    // The usage is kept one line of output to one line of source.
    // clang-format off
    {IDS_CLI_USAGE,
     u"Usage: reflasher-cli COMMAND [OPTIONS]\n"
     u"\n"
     u"Commands:\n"
     u"  list              list the disk drives and whether each is a supported enclosure\n"
     u"  info              show the versions in the enclosure beside the carried images\n"
     u"  update            update every memory whose carried image is newer\n"
     u"  backup DIR        save what can be read from the enclosure into DIR\n"
     u"  emulator reset    make the emulated enclosure anew\n"
     u"  emulator show     print what the emulated enclosure holds, and what of it is modelled\n"
     u"  firmware export DIR        write the carried images into DIR\n"
     u"  firmware pack OUT.cab DIR  make a firmware package of the images in DIR\n"
     u"  firmware show [PATH]       list the images of a package, or the carried ones\n"
     u"\n"
     u"Options:\n"
     u"  --emulate[=DIR]          use the emulated enclosure kept in DIR, not the computer's drives\n"
     u"                           (DIR only after \"=\")\n"
     u"  --emulate-fault [UNIT:]KIND:N  inject a fault at command N (fail, check-condition,\n"
     u"                           power-cut); UNIT: the serial number or drive of one unit\n"
     u"  --device NAME            with info, update, backup: the enclosure on drive NAME (as list\n"
     u"                           shows it) or with serial number NAME\n"
     u"  --broker PATH            reach every drive through the reflasher-broker at PATH (without\n"
     u"                           it, the drives this user may not open go through the broker of\n"
     u"                           /run/reflasher/broker.socket)\n"
     u"  --realtime               let the emulated enclosure take its modelled time\n"
     u"  --clock FILE             keep time on the virtual clock in FILE, which an emulated\n"
     u"                           enclosure served through the kernel shares\n"
     u"  --preset NAME            with \"emulator reset\": row1, row2, current, rom-mode, ui-state0,\n"
     u"                           debugger, usb11, unknown-spi\n"
     u"  --link PROFILE           with \"emulator reset\": the link, usb2, usb2-slow, usb11,\n"
     u"                           ieee1394, ieee1394-slow (default: the preset's); with\n"
     u"                           \"update --plan\": the link to estimate for (default: the unit's)\n"
     u"  --flash-chip NAME        with \"emulator reset\": the parallel FLASH chip, by its table name\n"
     u"  --spi-chip NAME          with \"emulator reset\": the SPI flash chip, by its table name\n"
     u"  --as-real-unit           with \"emulator reset\": without the mark of an emulated enclosure\n"
     u"  --units N                with \"emulator reset\": N enclosures (1 to 64), each with its own\n"
     u"                           serial numbers\n"
     u"  --from-backup DIR        with \"emulator reset\": a twin of the unit backed up in DIR\n"
     u"  --rehearse               with \"update\": update a twin of the unit made on the spot from\n"
     u"                           its backup, and write nothing to the unit\n"
     u"  --firmware PATH          the images of a firmware package (.cab or directory)\n"
     u"  --vendor                 the full dialog: technical versions and --load\n"
     u"  --load KIND=FILE         load an image file (KIND: flash, host, ui, resource) as a drop would\n"
     u"  --plan                   with \"update\": tell what it would write, in which order and how\n"
     u"                           long on this link, writing nothing\n"
     u"  --yes                    answer Yes when asked to overwrite firmware that is up to date\n"
     u"  --all                    with \"update\": every attached enclosure at once, one process each;\n"
     u"                           --trace then names a directory, one file per unit\n"
     u"  --json                   one JSON document on the output, for every command\n"
     u"  --trace FILE             write every command block sent to FILE\n"
     u"  --stats                  print commands, bytes, device time and host CPU time\n"
     u"  --complete WHAT          words for shell completion: commands, options, presets, links,\n"
     u"                           flash-chips, spi-chips, faults, drives, or a command's sub-commands\n"
     u"  --version, --help\n"
     u"\n"
     u"Options of the updater, with \"/\" or \"-\": /AutoUpdate, /EnableVendorMode,\n"
     u"/EnableAllProducts, /ForceAmdRom, /DisableResetUI, /IgnoreLockDrivesError,\n"
     u"/IgnoreMissingUnitName (a front panel whose name is lost gets an empty one), /UIRSC=FILE\n"
     u"(the UI resource data from FILE), /Firmware=PATH (a firmware package, as --firmware).\n"
     u"/AutoUpdate is the window's (update starts by itself); /ROM=, /HOST= and /UIROM= would be\n"
     u"ignored: all three are refused here, as is any argument a command does not take.\n"
     u"\n"
     u"  help COMMAND, COMMAND --help   the usage of one command\n"
     u"\n"
     u"Exit status: 0 done; 1 failed (something may have changed); 2 nothing was done (refused\n"
     u"before writing, declined, nothing found, or a wrong command line). update --plan ends\n"
     u"with the status the update would.",
     u"使い方: reflasher-cli コマンド [オプション]\n"
     u"\n"
     u"コマンド:\n"
     u"  list              ディスクドライブと、対応する筐体かどうかを表示します\n"
     u"  info              筐体内のバージョンを同梱イメージのバージョンと並べて表示します\n"
     u"  update            同梱イメージの方が新しいメモリをすべて更新します\n"
     u"  backup DIR        筐体から読み出せる内容を DIR に保存します\n"
     u"  emulator reset    模擬筐体を作り直します\n"
     u"  emulator show     模擬筐体の内容と、そのうち模擬した部分を表示します\n"
     u"  firmware export DIR        同梱イメージを DIR に書き出します\n"
     u"  firmware pack OUT.cab DIR  DIR のイメージからファームウェアパッケージを作ります\n"
     u"  firmware show [PATH]       パッケージ (省略時は同梱) のイメージを一覧表示します\n"
     u"\n"
     u"オプション:\n"
     u"  --emulate[=DIR]          コンピューターのドライブではなく、DIR に保存された模擬筐体を使います\n"
     u"                           (DIR は \"=\" の後にのみ指定できます)\n"
     u"  --emulate-fault [UNIT:]KIND:N  コマンド N で障害を起こします (fail, check-condition,\n"
     u"                           power-cut)。UNIT: 対象の 1 台のシリアル番号またはドライブ\n"
     u"  --device NAME            info, update, backup と共に: ドライブ NAME (list の表示どおり)\n"
     u"                           またはシリアル番号 NAME の筐体を使います\n"
     u"  --broker PATH            すべてのドライブに PATH の reflasher-broker 経由でアクセスします\n"
     u"                           (指定がなければ、このユーザーが開けないドライブは\n"
     u"                           /run/reflasher/broker.socket のブローカー経由になります)\n"
     u"  --realtime               模擬筐体に実機と同じ時間をかけさせます\n"
     u"  --clock FILE             FILE の仮想時計で時間を進めます (カーネル経由で提供される\n"
     u"                           模擬筐体と共有します)\n"
     u"  --preset NAME            \"emulator reset\" と共に: row1, row2, current, rom-mode, ui-state0,\n"
     u"                           debugger, usb11, unknown-spi\n"
     u"  --link PROFILE           \"emulator reset\" と共に: 接続 (usb2, usb2-slow, usb11,\n"
     u"                           ieee1394, ieee1394-slow; 既定はプリセットのもの)。\"update --plan\"\n"
     u"                           と共に: 見積もりに使う接続 (既定は筐体の接続)\n"
     u"  --flash-chip NAME        \"emulator reset\" と共に: パラレル FLASH チップ (表の名前)\n"
     u"  --spi-chip NAME          \"emulator reset\" と共に: SPI フラッシュチップ (表の名前)\n"
     u"  --as-real-unit           \"emulator reset\" と共に: 模擬筐体の印を付けません\n"
     u"  --units N                \"emulator reset\" と共に: 模擬筐体を N 台 (1 から 64) 作ります。\n"
     u"                           シリアル番号は 1 台ずつ異なります\n"
     u"  --from-backup DIR        \"emulator reset\" と共に: DIR にバックアップしたユニットのツイン\n"
     u"  --rehearse               \"update\" と共に: その場でバックアップから作ったツインを更新し、\n"
     u"                           ユニットには何も書き込みません\n"
     u"  --firmware PATH          ファームウェアパッケージ (.cab またはディレクトリ) のイメージを使います\n"
     u"  --vendor                 詳細ダイアログ: 技術的なバージョン表示と --load\n"
     u"  --load KIND=FILE         イメージファイルを読み込みます (KIND: flash, host, ui, resource)\n"
     u"  --plan                   \"update\" と共に: 何をどの順に書き込み、この接続でどれだけかかるかを\n"
     u"                           表示します (何も書き込みません)\n"
     u"  --yes                    最新のファームウェアを上書きするか尋ねられたら「はい」と答えます\n"
     u"  --all                    \"update\" と共に: 接続されたすべての筐体を、1 台に 1 プロセスで\n"
     u"                           同時に更新します (--trace はディレクトリ、1 台に 1 ファイル)\n"
     u"  --json                   どのコマンドでも出力は JSON 文書 1 つ\n"
     u"  --trace FILE             送信したコマンドブロックをすべて FILE に書きます\n"
     u"  --stats                  コマンド数、バイト数、デバイス時間、CPU 時間を表示します\n"
     u"  --complete WHAT          シェル補完の候補を表示します: commands, options, presets, links,\n"
     u"                           flash-chips, spi-chips, faults, drives、またはコマンドのサブコマンド\n"
     u"  --version, --help\n"
     u"\n"
     u"アップデーターのオプション (\"/\" または \"-\" を付けて指定): /AutoUpdate, /EnableVendorMode,\n"
     u"/EnableAllProducts, /ForceAmdRom, /DisableResetUI, /IgnoreLockDrivesError,\n"
     u"/IgnoreMissingUnitName (名前が失われたフロントパネルに空の名前を書き込みます), /UIRSC=FILE\n"
     u"(UI リソースデータを FILE から読み込みます), /Firmware=PATH (ファームウェアパッケージ)。\n"
     u"/AutoUpdate はウィンドウ用です (update は自動的に始まります)。/ROM=, /HOST=, /UIROM= は\n"
     u"無視されるため、コマンドが受け付けない引数と同じく拒否します。\n"
     u"\n"
     u"  help コマンド、コマンド --help   そのコマンドの使い方を表示します\n"
     u"\n"
     u"終了ステータス: 0 完了、1 失敗 (変更された可能性あり)、2 何もしていません (書き込み前の拒否、\n"
     u"取り消し、筐体なし、またはコマンドラインの誤り)。update --plan は更新と同じステータスで\n"
     u"終わります。"},
    // clang-format on
    {IDS_CLI_NO_DRIVES, u"No SCSI disk drives were found on this computer.",
     u"このコンピューターにSCSIディスクドライブが見つかりませんでした。"},
    {IDS_CLI_DRIVES_HEADER, u"Disk drives:", u"ディスクドライブ:"},
    {IDS_CLI_UNKNOWN_OPTION, u"Unknown option: ", u"不明なオプションです: "},
    {IDS_CLI_UNKNOWN_COMMAND, u"Unknown command: ", u"不明なコマンドです: "},
    {IDS_CLI_DRIVE_SUPPORTED, u"supported", u"対応"},
    {IDS_CLI_DRIVE_NOT_SUPPORTED, u"not supported", u"非対応"},
    {IDS_CLI_DRIVE_NOT_OPENED,
     u"cannot be opened (run as root, or start the broker: reflasher-broker.socket)",
     u"開けません (root で実行するか、ブローカー reflasher-broker.socket を起動してください)"},
    {IDS_CLI_DRIVE_ATA, u"not supported (ATA drive)", u"非対応 (ATA ドライブ)"},
    {IDS_CLI_DRIVE_OTHER_BRAND, u"supported (other brand)", u"対応 (他社ブランド)"},
    {IDS_CLI_EMULATOR_ERROR, u"The emulated enclosure cannot be used: ",
     u"模擬筐体を使用できません: "},
    {IDS_CLI_OPTION_NEEDS_VALUE, u"This option needs a value: ",
     u"このオプションには値が必要です: "},
    {IDS_CLI_NO_DEVICE, u"No supported enclosure was found.",
     u"対応する筐体が見つかりませんでした。"},
    {IDS_CLI_DEVICE, u"Device", u"デバイス"},
    {IDS_CLI_SERIAL, u"Serial No.", u"シリアル番号"},
    {IDS_CLI_UI_SERIAL, u"UI serial No.", u"UI シリアル番号"},
    {IDS_CLI_COLUMNS, u"Memory|Carried image|Device|Update", u"メモリ|同梱イメージ|デバイス|更新"},
    {IDS_CLI_PRODUCT_IMAGES, u"Product version of the carried images",
     u"同梱イメージの製品バージョン"},
    {IDS_CLI_PRODUCT_DEVICE, u"Product version of the device", u"デバイスの製品バージョン"},
    {IDS_CLI_YES, u"yes", u"はい"},
    {IDS_CLI_NO, u"no", u"いいえ"},
    {IDS_CLI_MEMORY_FLASH, u"Bridge firmware (FLASH-ROM)", u"ブリッジ ファームウェア (FLASH-ROM)"},
    {IDS_CLI_MEMORY_HOST, u"SEEPROM(Host)", u"SEEPROM(Host)"},
    {IDS_CLI_MEMORY_CPU, u"SEEPROM(CPU)", u"SEEPROM(CPU)"},
    {IDS_CLI_MEMORY_UI, u"UI firmware", u"UI ファームウェア"},
    {IDS_CLI_MEMORY_RESOURCE, u"UI resource data", u"UI リソースデータ"},
    {IDS_CLI_LOAD_FAILED, u"The image file cannot be loaded: ",
     u"イメージファイルを読み込めません: "},
    {IDS_CARRIED_TEST_SET, u"Carried images: test set (for the emulated enclosure only)",
     u"同梱イメージ: テストセット (模擬筐体専用)"},
    {IDS_CARRIED_VENDOR_SET, u"Carried images: vendor set, product version ",
     u"同梱イメージ: メーカーセット、製品バージョン "},
    {IDS_IMAGES_ORIGIN, u"Images", u"イメージ"},
    {IDS_PKG_REFUSED, u"The firmware package cannot be used: ",
     u"ファームウェアパッケージを使用できません: "},
    {IDS_PKG_WRITTEN, u"Written: ", u"書き出しました: "},
    {IDS_PKG_NOT_READABLE, u"it cannot be read", u"読み込めません"},
    {IDS_PKG_CAB_DAMAGED, u"the cabinet archive is damaged or cut short",
     u"キャビネットアーカイブが壊れているか途中で切れています"},
    {IDS_PKG_NO_METAINFO, u"it holds no metainfo file of type firmware",
     u"種類 firmware のメタ情報ファイルがありません"},
    {IDS_PKG_METAINFO_INVALID, u"the metainfo file cannot be understood",
     u"メタ情報ファイルを解釈できません"},
    {IDS_PKG_WRONG_PRODUCT, u"it is for another product", u"別の製品用です"},
    {IDS_PKG_UNKNOWN_MEMORY, u"unknown memory", u"不明なメモリです"},
    {IDS_PKG_DUPLICATE_MEMORY, u"the memory is named twice", u"同じメモリが二度指定されています"},
    {IDS_PKG_MISSING_IMAGE, u"the image file is missing", u"イメージファイルがありません"},
    {IDS_PKG_CHECKSUM, u"its SHA-256 differs from the one the package names",
     u"SHA-256 がパッケージの記載と一致しません"},
    {IDS_PKG_TOO_LARGE, u"it does not fit its memory", u"メモリに収まりません"},
    {IDS_PKG_INVALID_IMAGE, u"it is not a valid image of its memory",
     u"このメモリの正しいイメージではありません"},
    {IDS_PKG_VERSION_MISMATCH, u"its version differs from the one the package names",
     u"バージョンがパッケージの記載と一致しません"},
    {IDS_PKG_NO_IMAGES, u"it names no image", u"イメージが指定されていません"},
    {IDS_PKG_CANNOT_WRITE, u"it cannot be written", u"書き込めません"},
    {IDS_PKG_TOO_LARGE_WHOLE, u"its files would take more than the enclosure's memories hold",
     u"ファイルの合計が筐体のメモリに収まる大きさを超えています"},
    {IDS_CLI_LOAD_NEEDS_VENDOR, u"--load needs --vendor (or /EnableVendorMode).",
     u"--load には --vendor (または /EnableVendorMode) が必要です。"},
    {IDS_CLI_BACKUP_SAVED, u"Saved: ", u"保存しました: "},
    {IDS_CLI_BACKUP_NO_UI_FLASH,
     u"The UI controller's own flash cannot be read back; it is not part of the backup.",
     u"UI コントローラー内蔵フラッシュは読み出せないため、バックアップに含まれません。"},
    {IDS_CLI_BACKUP_FAILED, u"The backup could not be completed: ",
     u"バックアップを完了できませんでした: "},
    {IDS_CLI_STATS, u"Statistics", u"統計"},
    {IDS_CLI_LINK, u"Emulated link", u"模擬接続"},
    {IDS_CLI_VOLUMES_IN_USE, u"In use: ", u"使用中: "},
    {IDS_CLI_UNMOUNTED, u"Unmounted: ", u"アンマウントしました: "},
    {IDS_CLI_EMULATOR_RESET, u"The emulated enclosure was made anew: ",
     u"模擬筐体を作り直しました: "},
    {IDS_CLI_TRACE_FAILED, u"The trace file cannot be written: ",
     u"トレースファイルに書き込めません: "},
    {IDS_CLI_DRIVE_NOT_OPENED_ADMIN, u"cannot be opened (run as administrator)",
     u"開けません (管理者として実行してください)"},
    {IDS_CLI_CLOCK_FAILED, u"The clock file cannot be used: ", u"時計ファイルを使用できません: "},
    {IDS_CLI_UPDATE_UNDER_WAY,
     u"An update is under way and cannot be stopped safely: it ends by itself. Leave the "
     u"enclosure connected and powered until the result is shown.",
     u"更新中のため安全に中止できません。更新は自動的に終了します。結果が表示されるまで、"
     u"筐体の接続と電源をそのままにしてください。"},
    {IDS_CLI_READ_NOT_DELIVERED, u"the read did not reach the enclosure at offset ",
     u"読み出しが筐体に届きませんでした。オフセット "},
    {IDS_CLI_READ_REFUSED, u"the enclosure refused the read at offset ",
     u"筐体が読み出しを拒否しました。オフセット "},
    {IDS_CLI_READ_SHORT, u"the enclosure answered fewer bytes than asked at offset ",
     u"筐体の応答が要求より短くなりました。オフセット "},
    {IDS_CLI_READ_NO_ANSWER, u"the UI controller gave no sound answer at offset ",
     u"UI コントローラーから正しい応答がありませんでした。オフセット "},

    {IDS_CLI_PLAN_HEADER, u"The update would write, in this order:",
     u"更新では次の順に書き込みます:"},
    {IDS_CLI_PLAN_LINK, u"Times are estimates for this link: ",
     u"時間はこの接続での見積もりです: "},
    {IDS_CLI_PLAN_OTHER, u"Search, reading the unit, restart of the bridge",
     u"検索、筐体の読み出し、ブリッジの再起動"},
    {IDS_CLI_PLAN_TOTAL, u"Total", u"合計"},
    {IDS_CLI_PLAN_QUESTION,
     u"No carried image is newer than the unit's; the update would ask first:",
     u"筐体より新しい同梱イメージはありません。更新は最初に次のように尋ねます:"},
    {IDS_CLI_PLAN_IF_YES, u"Answered Yes, the update would write, in this order:",
     u"「はい」と答えると、更新では次の順に書き込みます:"},
    {IDS_CLI_PLAN_WOULD_FAIL, u"The update would stop here.", u"更新はここで止まります。"},
    {IDS_CLI_PLAN_RESULT, u"The update would end with this message:",
     u"更新は次のメッセージで終わります:"},
    {IDS_CLI_PLAN_NO_ESTIMATE, u"no estimate: no emulated enclosure could be made like this unit",
     u"見積もりなし: この筐体と同じ構成の模擬筐体を作れませんでした"},
    {IDS_CLI_PLAN_REFUSED, u"The update would refuse before writing anything: ",
     u"更新は何も書き込まずに中止します: "},
    {IDS_CLI_PLAN_WROTE_NOTHING, u"Nothing was written to the unit.",
     u"筐体には何も書き込んでいません。"},

    {IDS_TCMU_USAGE,
     u"Usage: reflasher-tcmu UIO [OPTIONS]\n"
     u"\n"
     u"Serves the emulated enclosure, and a disk behind it, as the TCMU backstore of the uio\n"
     u"device UIO (for example uio0) until it is stopped.\n"
     u"\n"
     u"Options:\n"
     u"  --emulate[=DIR]          the emulated enclosure kept in DIR (its disk image: "
     u"DIR/disk.img)\n"
     u"  --preset NAME            make the enclosure anew from a preset first (see reflasher-cli)\n"
     u"  --flash-chip NAME        with --preset: the parallel FLASH chip, by its table name\n"
     u"  --spi-chip NAME          with --preset: the SPI flash chip, by its table name\n"
     u"  --as-real-unit           make the enclosure anew without the mark of an emulated one\n"
     u"  --emulate-fault KIND:N   inject a fault at the enclosure's command N, counted from the "
     u"start\n"
     u"  --clock FILE             keep time on the virtual clock in FILE (reflasher-cli --clock "
     u"FILE\n"
     u"                           shares it); without it the enclosure takes its modelled time\n"
     u"  --trace FILE             write every command the enclosure answers to FILE",
     u"使い方: reflasher-tcmu UIO [オプション]\n"
     u"\n"
     u"模擬筐体とその先のディスクを、uio デバイス UIO (例: uio0) の TCMU バックストアとして\n"
     u"停止されるまで提供します。\n"
     u"\n"
     u"オプション:\n"
     u"  --emulate[=DIR]          DIR に保存された模擬筐体 (ディスクイメージ: DIR/disk.img)\n"
     u"  --preset NAME            最初にプリセットから模擬筐体を作り直します (reflasher-cli "
     u"を参照)\n"
     u"  --flash-chip NAME        --preset と共に: パラレル FLASH チップ (表の名前)\n"
     u"  --spi-chip NAME          --preset と共に: SPI フラッシュチップ (表の名前)\n"
     u"  --as-real-unit           模擬筐体の印なしで作り直します\n"
     u"  --emulate-fault KIND:N   開始から数えて筐体のコマンド N で障害を起こします\n"
     u"  --clock FILE             FILE の仮想時計で時間を進めます (reflasher-cli --clock FILE "
     u"と共有)。\n"
     u"                           指定しなければ筐体は実機と同じ時間をかけます\n"
     u"  --trace FILE             筐体が応答したコマンドをすべて FILE に書きます"},
    {IDS_TCMU_SERVING, u"Serving the emulated enclosure: ", u"模擬筐体を提供しています: "},
    {IDS_TCMU_DEVICE_FAILED, u"The TCMU device cannot be used: ",
     u"TCMU デバイスを使用できません: "},

    {IDS_BROKER_REFUSED, u"reflasher-broker refused: ", u"reflasher-broker が拒否しました: "},
    {IDS_BROKER_REFUSED_PEER,
     u"this user may use it only at the computer's seat or as a member of its group",
     u"このユーザーはコンピューターの席にいるか、設定されたグループのメンバーである場合のみ使用でき"
     u"ます"},
    {IDS_BROKER_REFUSED_NOT_LISTED, u"no drive of the computer can be opened by this name",
     u"この名前で開けるドライブはコンピューターにありません"},
    {IDS_BROKER_REFUSED_NOT_SUPPORTED, u"the drive is not a supported enclosure",
     u"このドライブは対応する筐体ではありません"},
    {IDS_BROKER_REFUSED_COMMAND, u"a command the updater never sends",
     u"アップデーターが送ることのないコマンドです"},
    {IDS_BROKER_REFUSED_NO_DRIVE, u"no drive was open", u"開いているドライブがありません"},
    {IDS_BROKER_UNREACHABLE, u"reflasher-broker does not answer at ",
     u"reflasher-broker が応答しません: "},
    {IDS_BROKER_DISK_NOT_OPEN, u"the disk is not open through reflasher-broker",
     u"このディスクは reflasher-broker 経由で開かれていません"},
    // clang-format off
    {IDS_BROKER_USAGE,
     u"Usage: reflasher-broker [OPTIONS]\n"
     u"\n"
     u"Forwards the firmware updater's own commands to supported enclosures, for root,\n"
     u"the user at the computer's seat, and members of the group its configuration names.\n"
     u"Every other command, user and drive is refused, and the refusal logged.\n"
     u"\n"
     u"Options:\n"
     u"  --socket PATH            listen at PATH (default: the socket systemd hands over)\n"
     u"  --config FILE            the configuration (default /etc/reflasher/broker.conf)\n"
     u"  --idle SECONDS           end after SECONDS without a connection (default 60; 0: never)\n"
     u"  --emulate[=DIR]          serve the emulated enclosure kept in DIR, not the drives\n"
     u"  --clock FILE             keep time on the virtual clock in FILE\n"
     u"  --help",
     u"使い方: reflasher-broker [オプション]\n"
     u"\n"
     u"ファームウェアアップデーター自身のコマンドだけを対応する筐体へ転送します。使用できるのは\n"
     u"root、コンピューターの席にいるユーザー、設定で指定したグループのメンバーです。\n"
     u"それ以外のコマンド、ユーザー、ドライブはすべて拒否し、記録します。\n"
     u"\n"
     u"オプション:\n"
     u"  --socket PATH            PATH で待ち受けます (既定: systemd から渡されたソケット)\n"
     u"  --config FILE            設定ファイル (既定 /etc/reflasher/broker.conf)\n"
     u"  --idle SECONDS           接続のないまま SECONDS 秒経つと終了します (既定 60、0: 終了しない)\n"
     u"  --emulate[=DIR]          ドライブではなく DIR の模擬筐体を提供します\n"
     u"  --clock FILE             FILE の仮想時計で時間を進めます\n"
     u"  --help"},
    // clang-format on
    {IDS_BROKER_LISTENING, u"Listening at ", u"待ち受けています: "},
    {IDS_BROKER_SOCKET_FAILED, u"The socket cannot be used: ", u"ソケットを使用できません: "},
    {IDS_BROKER_CONFIG_FAILED, u"The configuration cannot be used: ", u"設定を使用できません: "},
    {IDS_BROKER_OPENED, u"opened for ", u"次のために開きました: "},
    {IDS_BROKER_PEER_REFUSED, u"refused: not root, not at a seat, not in the configured group",
     u"拒否しました: root でなく、席におらず、設定されたグループのメンバーでもありません"},
    {IDS_BROKER_NO_CREDENTIALS, u"refused: a peer the kernel gives no credentials for",
     u"拒否しました: カーネルが資格情報を示さない接続相手です"},
    {IDS_BROKER_TOO_MANY, u"refused: too many connections at once",
     u"拒否しました: 同時接続が多すぎます"},
    {IDS_BROKER_MALFORMED, u"a request that does not follow the format: connection closed",
     u"形式に従わない要求です。接続を閉じました"},

    {IDS_WND_UPDATE_INFORMATION, u"Update Information", u"更新情報"},
    {IDS_WND_DEVICE_INFORMATION, u"Current Device Information", u"現在のデバイス情報"},
    {IDS_WND_FLASH_ROM_VERSION, u"FLASH-ROM Version:", u"FLASH-ROM バージョン:"},
    {IDS_WND_SEEPROM_HOST_VERSION, u"SEEPROM(Host) Version:", u"SEEPROM(Host) バージョン:"},
    {IDS_WND_UI_FIRMWARE_VERSION, u"78K Firmware Version:", u"78K ファームウェア バージョン:"},
    {IDS_WND_RESOURCE_VERSION, u"Resource Data Version:", u"リソースデータ バージョン:"},
    {IDS_WND_SERIAL_NO, u"Serial No.", u"シリアル番号"},
    {IDS_WND_UPDATE_FIRMWARE, u"&Update firmware", u"ファームウェア更新(&U)"},
    {IDS_WND_PRODUCT_VERSION, u"Product Version:", u"製品バージョン:"},
    {IDS_WND_FIRMWARE_VERSION, u"Firmware Version:", u"ファームウェア バージョン:"},
    {IDS_WND_OK, u"OK", u"OK"},
    {IDS_WND_YES, u"&Yes", u"はい(&Y)"},
    {IDS_WND_NO, u"&No", u"いいえ(&N)"},
    {IDS_CLI_BAD_UNIT_COUNT, u"The number of units must be a whole number from 1 to 64: ",
     u"台数は 1 から 64 までの整数で指定してください: "},
    {IDS_CLI_UNITS_MADE, u" units", u" 台"},
    {IDS_CLI_NO_SUCH_DEVICE, u"No supported enclosure has this drive name or serial number: ",
     u"このドライブ名またはシリアル番号の対応筐体はありません: "},
    {IDS_CLI_SEVERAL_DEVICES,
     u"Several supported enclosures are attached, so nothing was done. Choose one with "
     u"--device DRIVE or --device SERIAL, or update them all with --all:",
     u"対応筐体が複数接続されているため、何もしませんでした。--device ドライブ または "
     u"--device シリアル番号 で 1 台を選ぶか、--all ですべてを更新してください:"},
    {IDS_CLI_DRIVE, u"Drive", u"ドライブ"},
    {IDS_CLI_SEE_HELP, u" (see: %s)", u" (参照: %s)"},
    {IDS_CLI_OPTION_NOT_TAKEN, u"this command does not take the option ",
     u"このコマンドでは使えないオプションです: "},
    {IDS_CLI_OPERAND_NOT_TAKEN, u"this command does not take the argument ",
     u"このコマンドでは使えない引数です: "},
    {IDS_CLI_MISSING_OPERAND, u"missing ", u"次の引数がありません: "},
    {IDS_CLI_FAULT_NEEDS_EMULATE,
     u"faults are injected into the emulated enclosure only, which --emulate selects: ",
     u"障害は --emulate で選んだ模擬筐体にのみ起こせます: "},
    {IDS_CLI_NOT_WITH_ALL, u"update --all does not take the option ",
     u"update --all では使えないオプションです: "},
    {IDS_CLI_AUTOUPDATE_IN_TERMINAL,
     u"the update command starts the update by itself; this option of the window is not "
     u"taken here: ",
     u"update コマンドは自動的に更新を始めるため、このウィンドウ用のオプションは使えません: "},
    {IDS_CLI_IMAGE_OPTION_IGNORED,
     u"the images come from the program, --firmware PATH or --load KIND=FILE; this option would "
     u"be ignored: ",
     u"イメージは同梱のもの、--firmware PATH または --load KIND=FILE から読み込みます。"
     u"このオプションは無視されるため使えません: "},
    {IDS_CLI_EMULATE_NEEDS_EQUALS, u"--emulate takes its directory only as --emulate=DIR: ",
     u"--emulate のディレクトリは --emulate=DIR の形で指定してください: "},
    {IDS_CLI_LOAD_NEEDS_KIND, u"--load takes KIND=FILE (KIND: flash, host, ui, resource): ",
     u"--load には KIND=FILE を指定してください (KIND: flash, host, ui, resource): "},
    {IDS_CLI_UNKNOWN_FLASH_CHIP, u"No parallel FLASH chip has this name: ",
     u"この名前のパラレル FLASH チップはありません: "},
    {IDS_CLI_UNKNOWN_SPI_CHIP, u"No SPI flash chip has this name: ",
     u"この名前の SPI フラッシュチップはありません: "},
    {IDS_CLI_NOT_A_DIRECTORY, u"This path is not a directory: ",
     u"このパスはディレクトリではありません: "},
    {IDS_CLI_TRACE_DIRECTORY_FAILED,
     u"With --all, --trace names a directory for one trace a unit, and it cannot be made: ",
     u"--all と共に使う --trace は 1 台に 1 ファイルを置くディレクトリですが、作成できません: "},
    {IDS_CLI_COMMAND_USAGE, u"Usage: reflasher-cli ", u"使い方: reflasher-cli "},
    {IDS_CLI_COMMAND_OPTIONS, u"Options:", u"オプション:"},
    {IDS_CLI_LINK_NEEDS_PLAN, u"update takes --link only with --plan: ",
     u"update では --link は --plan と共にのみ使えます: "},
    {IDS_CLI_NOT_CARRIED, u"not carried", u"同梱なし"},
    {IDS_CLI_NOT_READ, u"not read", u"読み取れず"},
    {IDS_CLI_STATS_LINE,
     u"Statistics: commands %1 (failed %2), bytes in %3, bytes out %4, device time %5 ms, host "
     u"CPU time %6 ms",
     u"統計: コマンド %1 (失敗 %2)、受信 %3 バイト、送信 %4 バイト、デバイス時間 %5 ms、ホスト "
     u"CPU 時間 %6 ms"},
    {IDS_CLI_LINK_FIGURES, u"%1 us a command, %2 ns a byte",
     u"コマンドあたり %1 us、バイトあたり %2 ns"},
    {IDS_CLI_LINK_USB2, u"USB 2.0 high speed, fast host: a command per microframe",
     u"USB 2.0 ハイスピード、高速なホスト: マイクロフレームごとに 1 コマンド"},
    {IDS_CLI_LINK_USB2_SLOW, u"USB 2.0 high speed, slow host: about a millisecond a command",
     u"USB 2.0 ハイスピード、低速なホスト: 1 コマンドに約 1 ミリ秒"},
    {IDS_CLI_LINK_USB11, u"USB 1.1 full speed: a 1 ms frame for each of command, data and status",
     u"USB 1.1 フルスピード: コマンド、データ、ステータスにそれぞれ 1 ms のフレーム"},
    {IDS_CLI_LINK_USB10, u"USB 1.0 full speed, as USB 1.1",
     u"USB 1.0 フルスピード (USB 1.1 と同じ)"},
    {IDS_CLI_LINK_IEEE1394, u"IEEE 1394 S400, fast host: ORB fetch and status write",
     u"IEEE 1394 S400、高速なホスト: ORB の取得とステータスの書き込み"},
    {IDS_CLI_LINK_IEEE1394_SLOW, u"IEEE 1394 S100 or a slow host: about a millisecond a command",
     u"IEEE 1394 S100 または低速なホスト: 1 コマンドに約 1 ミリ秒"},
    {IDS_CLI_LINK_SCSI, u"parallel SCSI", u"パラレル SCSI"},
    {IDS_CLI_LINK_ATA, u"ATA", u"ATA"},
    {IDS_CLI_LIST_COLUMNS, u"Drive|Bus|Product|Revision|Status",
     u"ドライブ|バス|製品|リビジョン|状態"},
    {IDS_CLI_FIRMWARE_COLUMNS, u"Memory|Version|Bytes|Origin|SHA-256",
     u"メモリ|バージョン|バイト数|出所|SHA-256"},
    {IDS_CLI_TEST_IMAGES_ON_REAL_UNIT,
     u"The firmware images selected are test images, made for the emulated enclosure only. They "
     u"are never written to a real enclosure.\nNothing was written.\n\nGive the maker's firmware "
     u"package with --firmware PATH, then update again.",
     u"選択されたファームウェアイメージは模擬筐体専用のテストイメージです。実際の筐体には書き込みま"
     u"せん。\n何も書き込んでいません。\n\nメーカーのファームウェアパッケージを --firmware パス "
     u"で指定して、もう一度更新してください。"},
    {IDS_CLI_PROGRESS_LINE, u"%1: %2 %", u"%1: %2 %"},
    {IDS_CLI_PLAN_COLUMNS, u"Memory|Versions|ms", u"メモリ|バージョン|ms"},
    {IDS_CLI_NO_SUCH_FAULT_UNIT, u"No emulated enclosure has this serial number or drive name: ",
     u"次のシリアル番号またはドライブの模擬筐体はありません: "},
    {IDS_CLI_BACKUP_NO_RESOURCE,
     u"The UI controller runs no firmware that could pass its SPI flash through; the UI resource "
     u"data is not part of the backup.",
     u"UI コントローラーが SPI フラッシュを中継するファームウェアを実行していないため、UI "
     u"リソースデータはバックアップに含まれません。"},
    {IDS_CLI_TWIN_MADE, u"A twin of the backed-up unit was made: ",
     u"バックアップしたユニットのツインを作りました: "},
    {IDS_CLI_TWIN_FAILED, u"No twin can be made of this backup: ",
     u"このバックアップからツインを作れません: "},
    {IDS_CLI_SHOW_ENCLOSURE, u"Emulated enclosure", u"模擬筐体"},
    {IDS_CLI_SHOW_IDENTITY, u"Identity (INQUIRY)", u"識別情報 (INQUIRY)"},
    {IDS_CLI_SHOW_MARK, u"Marked as emulated", u"模擬筐体の印"},
    {IDS_CLI_SHOW_FLASH_CHIP, u"FLASH chip", u"FLASH チップ"},
    {IDS_CLI_SHOW_SPI_CHIP, u"SPI flash chip", u"SPI フラッシュチップ"},
    {IDS_CLI_SHOW_UI, u"UI controller's program flash", u"UI コントローラーのプログラムフラッシュ"},
    {IDS_CLI_SHOW_MADE_FROM, u"Twin of the unit backed up in", u"ツインの元のバックアップ"},
    {IDS_CLI_SHOW_MODELLED, u"Modelled, not read from the unit:",
     u"ユニットから読み出せず、模擬した部分:"},
    {IDS_CLI_SHOW_PRESET, u"Made from a preset: every part is modelled, none was read from a unit.",
     u"プリセットから作成: すべて模擬で、ユニットから読み出した部分はありません。"},
    {IDS_TWIN_MODELLED_UI_FIRMWARE,
     u"UI firmware: the carried test image of the version the unit reported (the controller's "
     u"flash cannot be read back), with the unit's build date and time and information block",
     u"UI ファームウェア: ユニットが報告したバージョンの同梱テストイメージ (コントローラーの"
     u"フラッシュは読み出せません) に、ユニットのビルド日時と情報ブロックを入れたもの"},
    {IDS_TWIN_MODELLED_UI_BLANK, u"UI firmware: none, as the unit reported no valid firmware",
     u"UI ファームウェア: なし (ユニットは有効なファームウェアを報告しませんでした)"},
    {IDS_TWIN_MODELLED_UI_DEBUGGER,
     u"UI firmware: a debugger build, stood in for by the oldest carried test image",
     u"UI ファームウェア: デバッガービルド (最も古い同梱テストイメージで代用)"},
    {IDS_TWIN_MODELLED_FLASH_CHIP,
     u"FLASH chip: not identified while the bridge runs its firmware; the usual part",
     u"FLASH チップ: ブリッジがファームウェアを実行中のため識別されず、通常の部品"},
    {IDS_TWIN_MODELLED_FLASH_REST, u"FLASH-ROM beyond the bytes read: erased",
     u"読み出した範囲より後ろの FLASH-ROM: 消去状態"},
    {IDS_TWIN_MODELLED_RESOURCE, u"UI resource data: not readable without UI firmware; erased",
     u"UI リソースデータ: UI ファームウェアなしでは読み出せないため消去状態"},
    {IDS_TWIN_MODELLED_SPI_CHIP, u"SPI flash chip: not identified; the usual part",
     u"SPI フラッシュチップ: 識別されず、通常の部品"},
    {IDS_TWIN_MODELLED_LINK,
     u"Link: the profile of the unit's bus with a fast host; the host's own speed is not known",
     u"接続: ユニットのバスの高速ホスト向けプロファイル (ホスト自体の速度は不明)"},
    {IDS_CLI_REHEARSAL_BACKUP,
     u"Rehearsal: reading the unit into a backup; nothing is written to it.",
     u"リハーサル: ユニットをバックアップに読み出します。ユニットには何も書き込みません。"},
    {IDS_CLI_REHEARSAL_TWIN, u"Rehearsal: updating a twin made from the backup.",
     u"リハーサル: バックアップから作ったツインを更新します。"},
    {IDS_CLI_REHEARSAL_RESULT, u"Rehearsed update", u"リハーサルの結果"},
    {IDS_CLI_REHEARSAL_DURATION, u"Modelled device time", u"模擬したデバイス時間"},
    {IDS_CLI_REHEARSAL_MATCHES, u"holds the image", u"イメージと一致"},
    {IDS_CLI_REHEARSAL_DIFFERS, u"differs from the image at offset ",
     u"イメージと異なります (オフセット "},
    {IDS_CLI_REHEARSAL_NOT_WRITTEN, u"not written", u"書き込みなし"},
    {IDS_CLI_REHEARSAL_IMPOSSIBLE, u"The update cannot be rehearsed: ",
     u"更新のリハーサルができません: "},
    {IDS_CLI_REHEARSAL_UNIT_UNTOUCHED, u"Nothing was written to the unit.",
     u"ユニットには何も書き込んでいません。"},
    {IDS_CLI_SHOW_UI_VALID, u"valid firmware", u"有効なファームウェア"},
    {IDS_CLI_SHOW_UI_PROGRAMMED, u"programmed, not yet secured",
     u"書き込み済み (セキュリティ設定前)"},
    {IDS_CLI_SHOW_UI_INCOMPLETE, u"no valid firmware", u"有効なファームウェアなし"},
    {IDS_CLI_SHOW_UI_DEBUGGER, u", debugger build", u"、デバッガービルド"},
    {IDS_CLI_SHOW_NO_ENCLOSURE, u"No emulated enclosure is kept in ",
     u"模擬筐体が保存されていません: "},
    {IDS_BATCH_STAGE, u"Stage", u"段階"},
    {IDS_BATCH_RESULT, u"Result", u"結果"},
    {IDS_BATCH_MESSAGE, u"Message", u"メッセージ"},
    {IDS_BATCH_DURATION, u"Time", u"所要時間"},
    {IDS_BATCH_READING, u"Reading the unit...", u"筐体を読み取っています..."},
    {IDS_BATCH_SUCCESS, u"done", u"完了"},
    {IDS_BATCH_FAILURE, u"failed", u"失敗"},
    {IDS_BATCH_NOTHING, u"nothing done", u"実行せず"},
    {IDS_BATCH_UNITS_FOUND, u"Enclosures updated at once: ", u"同時に更新する筐体の数: "},
    {IDS_BATCH_WORKER_SILENT, u"The update of this unit stopped reporting and was ended.",
     u"この筐体の更新が応答しなくなったため、終了させました。"},
    {IDS_BATCH_WORKER_NO_RESULT, u"The update of this unit ended without a result; exit status ",
     u"この筐体の更新は結果を返さずに終了しました。終了ステータス "},
    {IDS_BATCH_WORKER_NOT_STARTED, u"The update of this unit could not be started.",
     u"この筐体の更新を開始できませんでした。"},
    {IDS_BATCH_NO_PROGRAM, u"The program's own file cannot be found; no enclosure was updated.",
     u"プログラム自身のファイルが見つからないため、どの筐体も更新しませんでした。"},
    {IDS_BATCH_ALL_NEEDS_UPDATE,
     u"--all goes with the update command only, and not with --device, --plan or --rehearse.",
     u"--all は update コマンドでのみ使え、--device、--plan、--rehearse "
     u"とは同時に指定できません。"},
    {IDS_JSON_FAILED, u"The command failed.", u"コマンドは失敗しました。"},
    {IDS_JSON_NOTHING_DONE, u"Nothing was done.", u"何も行われませんでした。"},
    {IDS_JSON_DECLINED, u"Nothing was written: the question was answered no.",
     u"質問に「いいえ」と答えたため、何も書き込んでいません。"},
});

Language g_language = Language::English;

bool TableSource(UINT nId, Language language, std::u16string& text) {
    const char16_t* pszText = FindString(nId, language);
    if (pszText == nullptr) {
        return false;
    }
    text = pszText;
    return true;
}

StringSource g_source = &TableSource;

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

void SetStringSource(StringSource source) {
    g_source = source != nullptr ? source : &TableSource;
}

bool LoadResString(std::u16string& target, UINT nId) {
    return g_source(nId, g_language, target);
}

std::u16string LoadResString(UINT nId) {
    std::u16string text;
    LoadResString(text, nId);
    return text;
}

}  // namespace rf
