#include "session/CliOptions.h"

#include "base/Text.h"

namespace rf {

namespace {

enum class Value { None, Required, Optional };

struct OptionSpec {
    const char16_t* pszName;
    Value value;
};

constexpr OptionSpec kOptions[] = {
    {u"--version", Value::None},
    {u"--help", Value::None},
    {u"--json", Value::None},
    {u"--yes", Value::None},
    {u"--vendor", Value::None},
    {u"--stats", Value::None},
    {u"--realtime", Value::None},
    {u"--emulate", Value::Optional},
    {u"--emulate-fault", Value::Required},
    {u"--load", Value::Required},
    {u"--trace", Value::Required},
    {u"--preset", Value::Required},
    {u"--flash-chip", Value::Required},
    {u"--spi-chip", Value::Required},
    {u"--link", Value::Required},
    {u"--clock", Value::Required},
    {u"--complete", Value::Required},
    {u"--as-real-unit", Value::None},
    {u"--firmware", Value::Required},
    {u"--units", Value::Required},
    {u"--device", Value::Required},
    {u"--plan", Value::None},
    {u"--from-backup", Value::Required},
    {u"--rehearse", Value::None},
    {u"--all", Value::None},
    {u"--broker", Value::Required},
};

}  // namespace

std::vector<CliOptionName> CliOptionNames() {
    std::vector<CliOptionName> names;
    for (const OptionSpec& spec : kOptions) {
        names.push_back({spec.pszName, spec.value != Value::None, spec.value == Value::Optional});
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
                                      false};
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
            // The dialogs read the package as the window's option names it.
            options.firmware = strValue;
            options.updaterArgs.push_back(u"/Firmware=" + *value);
        }
    }
    return std::nullopt;
}

}  // namespace rf
