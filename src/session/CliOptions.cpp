#include "session/CliOptions.h"

#include "base/Text.h"
#include "text/StringTable.h"

namespace rf {

namespace {

enum class Value { None, Required, Optional };

struct OptionSpec {
    const char16_t* pszName;
    Value value;
    WithAll withAll;
};

constexpr OptionSpec kOptions[] = {
    {u"--version", Value::None, WithAll::Parent},
    {u"--help", Value::None, WithAll::Parent},
    {u"--json", Value::None, WithAll::Parent},
    {u"--yes", Value::None, WithAll::Forward},
    {u"--vendor", Value::None, WithAll::Forward},
    {u"--stats", Value::None, WithAll::Parent},
    {u"--realtime", Value::None, WithAll::Forward},
    {u"--emulate", Value::Optional, WithAll::Forward},
    {u"--emulate-fault", Value::Required, WithAll::Forward},
    {u"--load", Value::Required, WithAll::Forward},
    {u"--trace", Value::Required, WithAll::Parent},
    {u"--preset", Value::Required, WithAll::Refuse},
    {u"--flash-chip", Value::Required, WithAll::Refuse},
    {u"--spi-chip", Value::Required, WithAll::Refuse},
    {u"--link", Value::Required, WithAll::Refuse},
    {u"--clock", Value::Required, WithAll::Forward},
    {u"--complete", Value::Required, WithAll::Parent},
    {u"--as-real-unit", Value::None, WithAll::Refuse},
    {u"--firmware", Value::Required, WithAll::Forward},
    {u"--units", Value::Required, WithAll::Refuse},
    {u"--device", Value::Required, WithAll::Refuse},
    {u"--plan", Value::None, WithAll::Refuse},
    {u"--from-backup", Value::Required, WithAll::Refuse},
    {u"--rehearse", Value::None, WithAll::Refuse},
    {u"--all", Value::None, WithAll::Parent},
    {u"--broker", Value::Required, WithAll::Forward},
};

// "/Firmware=PATH" or "-firmware=PATH", in any case.
bool IsFirmwareFlag(const std::u16string& arg) {
    const std::u16string keyword = u"firmware=";
    if (arg.size() <= keyword.size() + 1) {
        return false;
    }
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        const char16_t c = arg[i + 1];
        const char16_t lower = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
        if (lower != keyword[i]) {
            return false;
        }
    }
    return true;
}

void SetFirmware(CliOptions& options, const std::u16string& path) {
    options.firmware = Utf16ToUtf8(path);
    options.given.push_back({u"--firmware", path});
    // The dialogs read the package as the window's option names it.
    options.updaterArgs.push_back(u"/Firmware=" + path);
}

// A word that can only be a path: the updater's own options are single
// keywords ("/AutoUpdate", "-UIRSC=FILE"), never a path with a separator
// before any "=".
bool LooksLikePath(const std::u16string& arg) {
    if (arg.starts_with(u"--") || arg.empty()) {
        return false;
    }
    const std::u16string beforeValue = arg.substr(0, arg.find(u'='));
    return beforeValue.find_first_of(u"/\\", 1) != std::u16string::npos ||
           (beforeValue.starts_with(u"/") && beforeValue.size() == 1) ||
           beforeValue.starts_with(u".") || beforeValue.starts_with(u"~");
}

}  // namespace

std::vector<CliOptionName> CliOptionNames() {
    std::vector<CliOptionName> names;
    for (const OptionSpec& spec : kOptions) {
        names.push_back(
            {spec.pszName, spec.value != Value::None, spec.value == Value::Optional, spec.withAll});
    }
    return names;
}

std::optional<CliOptionError> ParseCliOptions(const std::vector<std::u16string>& args,
                                              CliOptions& options,
                                              const std::string& strDefaultEmulateDirectory) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        // The argument after "backup" is its directory, even one that
        // begins with "/".
        const bool bBackupDirectory =
            options.words.size() == 1 && options.words.front() == u"backup";
        // So are the paths of "firmware export|pack|show".
        const bool bFirmwarePath =
            options.words.size() >= 2 && options.words.front() == u"firmware";
        if ((bBackupDirectory || bFirmwarePath) && !arg.starts_with(u"--") && !arg.empty()) {
            options.words.push_back(arg);
            continue;
        }
        if (!arg.starts_with(u"--")) {
            if (!arg.empty() && arg[0] != u'/' && arg[0] != u'-') {
                options.words.push_back(arg);
            } else if (IsFirmwareFlag(arg)) {
                // The window's spelling of --firmware means what it means.
                SetFirmware(options, arg.substr(arg.find(u'=') + 1));
                continue;
            }
            options.updaterArgs.push_back(arg);
            continue;
        }
        const std::size_t nEquals = arg.find(u'=');
        const std::u16string name = arg.substr(0, nEquals);
        const OptionSpec* pSpec = nullptr;
        for (const OptionSpec& spec : kOptions) {
            if (name == spec.pszName) {
                pSpec = &spec;
            }
        }
        if (pSpec == nullptr || (pSpec->value == Value::None && nEquals != std::u16string::npos)) {
            return CliOptionError{arg, false};
        }
        std::optional<std::u16string> value;
        if (nEquals != std::u16string::npos) {
            value = arg.substr(nEquals + 1);
        } else if (pSpec->value == Value::Optional && i + 1 < args.size() &&
                   LooksLikePath(args[i + 1])) {
            // The directory of --emulate only follows its "=": a path after
            // a space would otherwise be taken for something else.
            return CliOptionError{arg + u" " + args[i + 1], false, IDS_CLI_EMULATE_NEEDS_EQUALS};
        } else if (pSpec->value == Value::Required) {
            if (i + 1 >= args.size()) {
                return CliOptionError{arg, true};
            }
            value = args[++i];
        }
        if (value && value->empty()) {
            return CliOptionError{arg, true};
        }
        const std::string strValue = value ? Utf16ToUtf8(*value) : std::string();
        if (name != u"--firmware") {
            options.given.push_back({name, value});
        }
        if (name == u"--version") {
            options.bVersion = true;
        } else if (name == u"--help") {
            options.bHelp = true;
        } else if (name == u"--json") {
            options.bJson = true;
        } else if (name == u"--yes") {
            options.bYes = true;
        } else if (name == u"--vendor") {
            options.bVendor = true;
        } else if (name == u"--stats") {
            options.bStats = true;
        } else if (name == u"--realtime") {
            options.bRealtime = true;
        } else if (name == u"--emulate") {
            options.emulateDirectory = value ? strValue : strDefaultEmulateDirectory;
        } else if (name == u"--emulate-fault") {
            options.faults.push_back(strValue);
        } else if (name == u"--load") {
            const std::size_t nKindEnd = value->find(u'=');
            if (nKindEnd == std::u16string::npos || nKindEnd == 0 ||
                nKindEnd + 1 == value->size()) {
                return CliOptionError{arg + (nEquals == std::u16string::npos ? u" " + *value : u""),
                                      false, IDS_CLI_LOAD_NEEDS_KIND};
            }
            options.loads.emplace_back(Utf16ToUtf8(value->substr(0, nKindEnd)),
                                       value->substr(nKindEnd + 1));
        } else if (name == u"--trace") {
            options.traceFile = *value;
        } else if (name == u"--preset") {
            options.preset = strValue;
        } else if (name == u"--flash-chip") {
            options.flashChip = strValue;
        } else if (name == u"--spi-chip") {
            options.spiChip = strValue;
        } else if (name == u"--link") {
            options.link = strValue;
        } else if (name == u"--units") {
            options.units = strValue;
        } else if (name == u"--device") {
            options.device = *value;
        } else if (name == u"--clock") {
            options.clockFile = strValue;
        } else if (name == u"--complete") {
            options.complete = strValue;
        } else if (name == u"--plan") {
            options.bPlan = true;
        } else if (name == u"--as-real-unit") {
            options.bAsRealUnit = true;
        } else if (name == u"--from-backup") {
            options.fromBackup = strValue;
        } else if (name == u"--rehearse") {
            options.bRehearse = true;
        } else if (name == u"--all") {
            options.bAll = true;
        } else if (name == u"--broker") {
            options.broker = strValue;
        } else if (name == u"--firmware") {
            SetFirmware(options, *value);
        }
    }
    return std::nullopt;
}

}  // namespace rf
