#pragma once

// Every text the program shows by number, in English and Japanese. The
// language follows the user's locale, chosen once at start-up.

#include <functional>
#include <span>
#include <string>

#include "base/Types.h"

namespace rf {

enum StringId : UINT {
    IDS_SEARCHING_DEVICE = 133,
    IDS_FIRMWARE_VERSION = 134,
    IDS_FIRMWARE2_VERSION = 136,
    IDS_FIRMWARE3_VERSION = 137,
    IDS_RECOMMENDED_MARK = 138,
    IDS_UNREADABLE = 139,
    IDS_UPDATE_COMPLETE = 140,
    IDS_UPDATING_FLASH_ROM = 141,
    IDS_UPDATING_SEEPROM_HOST = 142,
    IDS_CHECKING_SEEPROM_HOST = 143,
    IDS_UPDATING_SPIROM_UI = 146,
    IDS_CHECKING_SPIROM_UI = 147,
    IDS_UPDATING_FLASH_ROM_UI = 148,
    IDS_CHECKING_FLASH_ROM_UI = 149,
    IDS_FIRMWARE4_VERSION = 150,
    IDS_CONFIRM_OVERWRITE = 153,
    IDS_UNKNOWN = 154,
    IDS_UPDATE_COMPLETE_POWER_CYCLE = 155,
    IDS_ERR_VERSION_INFO = 900,
    IDS_ERR_INVALID_ROM = 901,
    IDS_ERR_READ_FILE = 902,
    IDS_ERR_WRITE_EEPROM = 903,
    IDS_ERR_READ_EEPROM = 904,
    IDS_ERR_WRITE_FLASH_ROM = 905,
    IDS_ERR_DRIVE_IN_USE = 907,
    IDS_ERR_WRITE_SPIROM = 908,
    IDS_ERR_UNKNOWN_SPI_FLASH = 909,
    IDS_ERR_WRITE_UI_FLASH = 910,
    IDS_ERR_RESOURCE_MODE = 911,
    IDS_ERR_UI_FIRMWARE_MODE = 912,
    // Refusals of a FLASH-ROM write before anything is written.
    IDS_ERR_FLASH_LINK_TOO_SLOW = 960,
    IDS_ERR_FLASH_IMAGE_TOO_LARGE = 961,
    // The unit's own data could not be kept on the computer before an erase.
    IDS_ERR_KEEP_UNIT_DATA = 920,
    // Refusals before the first write: a directory the run writes, the
    // unit's name that was not read or is kept nowhere, an image that is
    // not of its memory's format or larger than the memory.
    IDS_ERR_DIRECTORY_NOT_WRITABLE = 921,
    IDS_ERR_UNIT_NAME_NOT_READ = 922,
    IDS_ERR_UNIT_NAME_NOT_KEPT = 923,
    IDS_ERR_IMAGE_NOT_VALID = 962,
    IDS_ERR_IMAGE_TOO_LARGE = 963,
    // Why an image is not of its memory's format, and its size against the
    // memory, after the memory's name.
    IDS_IMAGE_TOO_SHORT = 964,
    IDS_IMAGE_NO_MARK = 965,
    IDS_IMAGE_BAD_CHECKSUM = 966,
    IDS_IMAGE_SIZE = 967,
    // The unit went away during a run: disconnected, or without power.
    IDS_ERR_UNIT_GONE = 930,
    // A test image selected for a drive that is not an emulated enclosure.
    IDS_ERR_TEST_IMAGES_ON_REAL_UNIT = 950,
    // The window found a real unit while it carries test images.
    IDS_TEST_IMAGES_NOTICE = 951,
    IDS_TEST_IMAGES_TITLE = 952,

    // Where the images come from, and firmware packages.
    IDS_CARRIED_TEST_SET = 2200,
    IDS_CARRIED_VENDOR_SET = 2201,
    IDS_IMAGES_ORIGIN = 2202,
    IDS_PKG_REFUSED = 2203,
    IDS_PKG_WRITTEN = 2204,
    IDS_PKG_NOT_READABLE = 2210,
    IDS_PKG_CAB_DAMAGED = 2211,
    IDS_PKG_NO_METAINFO = 2212,
    IDS_PKG_METAINFO_INVALID = 2213,
    IDS_PKG_WRONG_PRODUCT = 2214,
    IDS_PKG_UNKNOWN_MEMORY = 2215,
    IDS_PKG_DUPLICATE_MEMORY = 2216,
    IDS_PKG_MISSING_IMAGE = 2217,
    IDS_PKG_CHECKSUM = 2218,
    IDS_PKG_TOO_LARGE = 2219,
    IDS_PKG_INVALID_IMAGE = 2220,
    IDS_PKG_VERSION_MISMATCH = 2221,
    IDS_PKG_NO_IMAGES = 2222,
    IDS_PKG_CANNOT_WRITE = 2223,
    IDS_PKG_TOO_LARGE_WHOLE = 2230,

    // Texts of the terminal front end.
    IDS_CLI_USAGE = 2000,
    IDS_CLI_NO_DRIVES = 2001,
    IDS_CLI_DRIVES_HEADER = 2002,
    IDS_CLI_UNKNOWN_OPTION = 2003,
    IDS_CLI_UNKNOWN_COMMAND = 2004,
    IDS_CLI_DRIVE_SUPPORTED = 2005,
    IDS_CLI_DRIVE_NOT_SUPPORTED = 2006,
    IDS_CLI_DRIVE_NOT_OPENED = 2007,
    IDS_CLI_DRIVE_ATA = 2008,
    IDS_CLI_DRIVE_OTHER_BRAND = 2009,
    IDS_CLI_EMULATOR_ERROR = 2010,
    IDS_CLI_OPTION_NEEDS_VALUE = 2011,
    IDS_CLI_NO_DEVICE = 2012,
    IDS_CLI_DEVICE = 2013,
    IDS_CLI_SERIAL = 2014,
    IDS_CLI_UI_SERIAL = 2015,
    IDS_CLI_COLUMNS = 2016,
    IDS_CLI_PRODUCT_IMAGES = 2017,
    IDS_CLI_PRODUCT_DEVICE = 2018,
    IDS_CLI_YES = 2019,
    IDS_CLI_NO = 2020,
    IDS_CLI_MEMORY_FLASH = 2021,
    IDS_CLI_MEMORY_HOST = 2022,
    IDS_CLI_MEMORY_CPU = 2023,
    IDS_CLI_MEMORY_UI = 2024,
    IDS_CLI_MEMORY_RESOURCE = 2025,
    IDS_CLI_LOAD_FAILED = 2026,
    IDS_CLI_LOAD_NEEDS_VENDOR = 2027,
    IDS_CLI_BACKUP_SAVED = 2028,
    IDS_CLI_BACKUP_NO_UI_FLASH = 2029,
    IDS_CLI_BACKUP_FAILED = 2030,
    IDS_CLI_STATS = 2031,
    IDS_CLI_VOLUMES_IN_USE = 2032,
    IDS_CLI_UNMOUNTED = 2033,
    IDS_CLI_EMULATOR_RESET = 2034,
    IDS_CLI_TRACE_FAILED = 2035,
    IDS_CLI_DRIVE_NOT_OPENED_ADMIN = 2036,  // the same on Windows
    IDS_CLI_CLOCK_FAILED = 2037,
    // Ctrl-C, or the terminal closed, while an update writes.
    IDS_CLI_UPDATE_UNDER_WAY = 2038,
    IDS_CLI_LINK = 2060,
    // How a read of the enclosure went wrong; the offset follows.
    IDS_CLI_READ_NOT_DELIVERED = 2050,
    IDS_CLI_READ_REFUSED = 2051,
    IDS_CLI_READ_SHORT = 2052,
    IDS_CLI_READ_NO_ANSWER = 2053,

    // Texts of the TCMU front of the emulated enclosure.
    IDS_TCMU_USAGE = 2100,
    IDS_TCMU_SERVING = 2101,
    IDS_TCMU_DEVICE_FAILED = 2102,

    // Texts of the window: group boxes, labels and buttons.
    IDS_WND_UPDATE_INFORMATION = 3000,
    IDS_WND_DEVICE_INFORMATION = 3001,
    IDS_WND_FLASH_ROM_VERSION = 3002,
    IDS_WND_SEEPROM_HOST_VERSION = 3003,
    IDS_WND_UI_FIRMWARE_VERSION = 3004,
    IDS_WND_RESOURCE_VERSION = 3005,
    IDS_WND_SERIAL_NO = 3006,
    IDS_WND_UPDATE_FIRMWARE = 3007,
    IDS_WND_PRODUCT_VERSION = 3008,
    IDS_WND_FIRMWARE_VERSION = 3009,
    IDS_WND_OK = 3010,
    IDS_WND_YES = 3011,
    IDS_WND_NO = 3012,

    // Several enclosures: naming the one to work on.
    IDS_CLI_BAD_UNIT_COUNT = 2080,
    IDS_CLI_UNITS_MADE = 2081,
    IDS_CLI_NO_SUCH_DEVICE = 2082,
    IDS_CLI_SEVERAL_DEVICES = 2083,
    IDS_CLI_DRIVE = 2084,
    IDS_CLI_NO_SUCH_FAULT_UNIT = 2085,
    // The plan of an update (update --plan).
    IDS_CLI_PLAN_HEADER = 2300,
    IDS_CLI_PLAN_LINK = 2301,
    IDS_CLI_PLAN_OTHER = 2302,
    IDS_CLI_PLAN_TOTAL = 2303,
    IDS_CLI_PLAN_QUESTION = 2304,
    IDS_CLI_PLAN_IF_YES = 2305,
    IDS_CLI_PLAN_WOULD_FAIL = 2306,
    IDS_CLI_PLAN_NO_ESTIMATE = 2307,
    IDS_CLI_PLAN_REFUSED = 2308,
    IDS_CLI_PLAN_WROTE_NOTHING = 2309,
    IDS_CLI_PLAN_RESULT = 2310,
    // Backups that make twins, the twin, and the rehearsal of an update.
    IDS_CLI_BACKUP_NO_RESOURCE = 2240,
    IDS_CLI_TWIN_MADE = 2241,
    IDS_CLI_TWIN_FAILED = 2242,
    IDS_CLI_SHOW_ENCLOSURE = 2243,
    IDS_CLI_SHOW_IDENTITY = 2244,
    IDS_CLI_SHOW_MARK = 2245,
    IDS_CLI_SHOW_FLASH_CHIP = 2246,
    IDS_CLI_SHOW_SPI_CHIP = 2247,
    IDS_CLI_SHOW_UI = 2248,
    IDS_CLI_SHOW_MADE_FROM = 2249,
    IDS_CLI_SHOW_MODELLED = 2250,
    IDS_CLI_SHOW_PRESET = 2251,
    IDS_TWIN_MODELLED_UI_FIRMWARE = 2252,
    IDS_TWIN_MODELLED_UI_BLANK = 2253,
    IDS_TWIN_MODELLED_UI_DEBUGGER = 2254,
    IDS_TWIN_MODELLED_FLASH_CHIP = 2255,
    IDS_TWIN_MODELLED_FLASH_REST = 2256,
    IDS_TWIN_MODELLED_RESOURCE = 2257,
    IDS_TWIN_MODELLED_SPI_CHIP = 2258,
    IDS_TWIN_MODELLED_LINK = 2259,
    IDS_CLI_REHEARSAL_BACKUP = 2260,
    IDS_CLI_REHEARSAL_TWIN = 2261,
    IDS_CLI_REHEARSAL_RESULT = 2262,
    IDS_CLI_REHEARSAL_DURATION = 2263,
    IDS_CLI_REHEARSAL_MATCHES = 2264,
    IDS_CLI_REHEARSAL_DIFFERS = 2265,
    IDS_CLI_REHEARSAL_NOT_WRITTEN = 2266,
    IDS_CLI_REHEARSAL_IMPOSSIBLE = 2267,
    IDS_CLI_REHEARSAL_UNIT_UNTOUCHED = 2268,
    IDS_CLI_SHOW_NO_ENCLOSURE = 2269,
    IDS_CLI_SHOW_UI_VALID = 2270,
    IDS_CLI_SHOW_UI_PROGRAMMED = 2271,
    IDS_CLI_SHOW_UI_INCOMPLETE = 2272,
    IDS_CLI_SHOW_UI_DEBUGGER = 2273,

    // Arguments the terminal front end does not take, and why.
    IDS_CLI_SEE_HELP = 2600,
    IDS_CLI_OPTION_NOT_TAKEN = 2601,
    IDS_CLI_OPERAND_NOT_TAKEN = 2602,
    IDS_CLI_MISSING_OPERAND = 2603,
    IDS_CLI_FAULT_NEEDS_EMULATE = 2604,
    IDS_CLI_NOT_WITH_ALL = 2605,
    IDS_CLI_AUTOUPDATE_IN_TERMINAL = 2606,
    IDS_CLI_IMAGE_OPTION_IGNORED = 2607,
    IDS_CLI_EMULATE_NEEDS_EQUALS = 2608,
    IDS_CLI_LOAD_NEEDS_KIND = 2609,
    IDS_CLI_UNKNOWN_FLASH_CHIP = 2610,
    IDS_CLI_UNKNOWN_SPI_CHIP = 2611,
    IDS_CLI_NOT_A_DIRECTORY = 2612,
    IDS_CLI_TRACE_DIRECTORY_FAILED = 2613,
    IDS_CLI_COMMAND_USAGE = 2614,
    IDS_CLI_COMMAND_OPTIONS = 2615,
    IDS_CLI_LINK_NEEDS_PLAN = 2616,
    // Tables, figures and wording of the terminal's own.
    IDS_CLI_NOT_CARRIED = 2800,
    IDS_CLI_NOT_READ = 2801,
    IDS_CLI_STATS_LINE = 2802,
    IDS_CLI_LINK_FIGURES = 2803,
    IDS_CLI_LINK_USB2 = 2804,
    IDS_CLI_LINK_USB2_SLOW = 2805,
    IDS_CLI_LINK_USB11 = 2806,
    IDS_CLI_LINK_USB10 = 2807,
    IDS_CLI_LINK_IEEE1394 = 2808,
    IDS_CLI_LINK_IEEE1394_SLOW = 2809,
    IDS_CLI_LINK_SCSI = 2810,
    IDS_CLI_LINK_ATA = 2811,
    IDS_CLI_LIST_COLUMNS = 2812,
    IDS_CLI_FIRMWARE_COLUMNS = 2813,
    IDS_CLI_TEST_IMAGES_ON_REAL_UNIT = 2814,
    IDS_CLI_PROGRESS_LINE = 2815,
    IDS_CLI_PLAN_COLUMNS = 2816,

    // Texts of "update --all": every unit at once, one worker each.
    IDS_BATCH_STAGE = 2401,
    IDS_BATCH_RESULT = 2402,
    IDS_BATCH_MESSAGE = 2403,
    IDS_BATCH_DURATION = 2404,
    IDS_BATCH_READING = 2405,
    IDS_BATCH_SUCCESS = 2406,
    IDS_BATCH_FAILURE = 2407,
    IDS_BATCH_NOTHING = 2408,
    IDS_BATCH_UNITS_FOUND = 2409,
    IDS_BATCH_WORKER_SILENT = 2410,
    IDS_BATCH_WORKER_NO_RESULT = 2411,
    IDS_BATCH_WORKER_NOT_STARTED = 2412,
    IDS_BATCH_NO_PROGRAM = 2413,
    IDS_BATCH_ALL_NEEDS_UPDATE = 2414,

    // The broker that forwards the updater's commands for users without root.
    IDS_BROKER_REFUSED = 2500,
    IDS_BROKER_REFUSED_PEER = 2501,
    IDS_BROKER_REFUSED_NOT_LISTED = 2502,
    IDS_BROKER_REFUSED_NOT_SUPPORTED = 2503,
    IDS_BROKER_REFUSED_COMMAND = 2504,
    IDS_BROKER_REFUSED_NO_DRIVE = 2505,
    IDS_BROKER_UNREACHABLE = 2508,
    IDS_BROKER_DISK_NOT_OPEN = 2509,
    IDS_BROKER_USAGE = 2510,
    IDS_BROKER_LISTENING = 2511,
    IDS_BROKER_SOCKET_FAILED = 2512,
    IDS_BROKER_CONFIG_FAILED = 2513,
    IDS_BROKER_OPENED = 2514,
    IDS_BROKER_PEER_REFUSED = 2515,
    IDS_BROKER_NO_CREDENTIALS = 2516,
    IDS_BROKER_TOO_MANY = 2517,
    IDS_BROKER_MALFORMED = 2518,

    // What a command that printed no result of its own reports in JSON.
    IDS_JSON_FAILED = 2700,
    IDS_JSON_NOTHING_DONE = 2701,
    IDS_JSON_DECLINED = 2702,
};

enum class Language { English, Japanese };

struct StringEntry {
    UINT nId;
    const char16_t* pszEnglish;
    const char16_t* pszJapanese;
};

std::span<const StringEntry> StringTable();

// The text of an id in a language, or null when the id is not in the table.
const char16_t* FindString(UINT nId, Language language);

// Japanese when the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is
// set and not empty begins with "ja"; English otherwise. The lookup is a
// parameter so that tests need not touch the process environment.
Language DetectLanguage(const std::function<const char*(const char*)>& getEnv);
Language DetectLanguageFromEnvironment();

Language CurrentLanguage();
void SetCurrentLanguage(Language language);

// Where LoadResString takes its texts from. The built-in source is the
// table above; the Windows program reads the same texts back from its
// string-table resources, which the build makes from this table.
using StringSource = bool (*)(UINT nId, Language language, std::u16string& text);
void SetStringSource(StringSource source);  // null restores the table above

// Replaces the target's text with the text of the id in the current
// language; when the id is missing the target keeps its text.
bool LoadResString(std::u16string& target, UINT nId);
// The text of the id, or an empty text when it is missing.
std::u16string LoadResString(UINT nId);

}  // namespace rf
